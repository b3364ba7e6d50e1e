#include "termios2.h"
#include "pty_pair.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

// The kernel's values, written out so that a wrong definition shows.
const tcflag_t K_CBAUD = 0x100f;
const tcflag_t K_BOTHER = 0x1000;
const int K_IBSHIFT = 16;

} // namespace

TEST(Termios2, SetattrRefusesAnUnknownActionBeforeTheIoctl)
{
    struct termios t;
    memset(&t, 0, sizeof(t));
    errno = 0;
    EXPECT_EQ(tc2setattr(-1, 3, &t), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(tc2setattr(-1, -1, &t), -1);
    EXPECT_EQ(errno, EINVAL);
    // a known action reaches the ioctl, which fails on the bad descriptor
    for (int action : {TCSANOW, TCSADRAIN, TCSAFLUSH}) {
        errno = 0;
        EXPECT_EQ(tc2setattr(-1, action, &t), -1);
        EXPECT_EQ(errno, EBADF) << action;
    }
    EXPECT_LT(tc2getattr(-1, &t), 0);
    EXPECT_EQ(errno, EBADF);
}

TEST(Termios2, GetattrAgreesWithTheCLibrary)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    struct termios want, got;
    ASSERT_EQ(tcgetattr(pty.slave, &want), 0);
    memset(&got, 0xff, sizeof(got));
    ASSERT_EQ(tc2getattr(pty.slave, &got), 0);
    EXPECT_EQ(got.c_iflag, want.c_iflag);
    EXPECT_EQ(got.c_oflag, want.c_oflag);
    EXPECT_EQ(got.c_cflag, want.c_cflag);
    EXPECT_EQ(got.c_lflag, want.c_lflag);
    EXPECT_EQ(got.c_line, want.c_line);
    EXPECT_EQ(memcmp(got.c_cc, want.c_cc, 19), 0);
    for (int i = 19; i < NCCS; ++i)
        EXPECT_EQ(got.c_cc[i], 0) << i;
    EXPECT_EQ(got.c_ospeed, 38400u);  // the kernel's number, not the constant
}

TEST(Termios2, CustomSpeedRoundTrips)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    struct termios t;
    ASSERT_EQ(tc2getattr(pty.slave, &t), 0);
    ASSERT_EQ(cf2setospeed_custom(&t, 123456), 0);
    ASSERT_EQ(cf2setispeed_custom(&t, 0), 0);
    if (tc2setattr(pty.slave, TCSANOW, &t) != 0)
        GTEST_SKIP() << "this kernel refuses a custom speed on a pseudo-terminal: " << strerror(errno);

    struct termios back;
    ASSERT_EQ(tc2getattr(pty.slave, &back), 0);
    EXPECT_EQ(back.c_cflag & K_CBAUD, K_BOTHER);
    EXPECT_EQ(back.c_ospeed, 123456u);
    EXPECT_EQ(back.c_ispeed, 123456u);  // input follows output

    ASSERT_EQ(cf2setispeed_custom(&back, 250000), 0);
    ASSERT_EQ(tc2setattr(pty.slave, TCSADRAIN, &back), 0);
    ASSERT_EQ(tc2getattr(pty.slave, &t), 0);
    EXPECT_EQ((t.c_cflag >> K_IBSHIFT) & K_CBAUD, K_BOTHER);
    EXPECT_EQ(t.c_ispeed, 250000u);
    EXPECT_EQ(t.c_ospeed, 123456u);
}

TEST(Termios2, SetattrHidesTheLibraryInputSpeedMark)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    struct termios t;
    ASSERT_EQ(tc2getattr(pty.slave, &t), 0);
    const tcflag_t iflag = t.c_iflag;
    t.c_iflag |= 020000000000;
    ASSERT_EQ(tc2setattr(pty.slave, TCSAFLUSH, &t), 0);
    ASSERT_EQ(tc2getattr(pty.slave, &t), 0);
    EXPECT_EQ(t.c_iflag, iflag);
}

TEST(Termios2, SpeedSetters)
{
    struct termios t;
    memset(&t, 0, sizeof(t));
    t.c_cflag = CS8 | B9600;

    errno = 0;
    EXPECT_EQ(cf2setospeed_custom(&t, 0), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(cf2setospeed_custom(&t, -9600), -1);
    EXPECT_EQ(cf2setispeed_custom(&t, -1), -1);
    EXPECT_EQ(t.c_cflag, static_cast<tcflag_t>(CS8 | B9600));  // refusals change nothing

    ASSERT_EQ(cf2setospeed_custom(&t, 31250), 0);
    EXPECT_EQ(t.c_cflag, CS8 | K_BOTHER);
    EXPECT_EQ(t.c_ospeed, 31250u);

    ASSERT_EQ(cf2setispeed_custom(&t, 45450), 0);
    EXPECT_EQ(t.c_cflag, CS8 | K_BOTHER | (K_BOTHER << K_IBSHIFT));
    EXPECT_EQ(t.c_ispeed, 45450u);
    ASSERT_EQ(cf2setispeed_custom(&t, 0), 0);
    EXPECT_EQ(t.c_cflag, CS8 | K_BOTHER);

    ASSERT_EQ(cf2setispeed(&t, B19200), 0);
    EXPECT_EQ(cf2getispeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_ispeed, static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_cflag & K_CBAUD, K_BOTHER);  // output field untouched
    ASSERT_EQ(cf2setispeed(&t, B115200), 0);
    EXPECT_EQ(cf2getispeed(&t), static_cast<speed_t>(B115200));

    EXPECT_EQ(cf2setispeed(&t, 0x2000), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(cf2getispeed(&t), static_cast<speed_t>(B115200));
}
