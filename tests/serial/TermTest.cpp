#include "term.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "PtyPair.h"

namespace {

int SpeedOf(speed_t code)
{
    for (const baud_entry& row : baud_table) {
        if (row.code == code) return row.speed;
    }
    return -1;
}

speed_t OutputSpeed(const struct termios& tio) { return cfgetospeed(&tio); }

class TermTest : public FrameworkPtyTest {
protected:
    int SetRaw(int fd, int baud) { return term_set(fd, 1, baud, P_NONE, 8, 1, FC_NONE, 1, 1); }
};

TEST_F(TermTest, SettersEditOnlyUntilApplied)
{
    PtyPair& pty = NewPty();
    struct termios before = pty.attrs();
    int oldSpeed = SpeedOf(cfgetospeed(&before));

    ASSERT_EQ(SetRaw(pty.slave, 115200), 0);
    EXPECT_TRUE(SameLineSettings(pty.attrs(), before)) << "term_set must not touch the device";
    EXPECT_EQ(term_get_baudrate(pty.slave), oldSpeed) << "reads the applied copy, not the edited one";

    ASSERT_EQ(term_apply(pty.slave, 0), 0);
    struct termios after = pty.attrs();
    EXPECT_EQ(cfgetospeed(&after), B115200);
    EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(after.c_cflag & CLOCAL);
    EXPECT_TRUE(after.c_cflag & HUPCL);
    EXPECT_FALSE(after.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(after.c_cc[VMIN], 1);
    EXPECT_EQ(after.c_cc[VTIME], 0);
    int ispeed = -2;
    EXPECT_EQ(term_get_baudrate(pty.slave, &ispeed), 115200);
    EXPECT_NE(ispeed, -2);
}

// A pseudo-terminal forces 8 bits without parity, so parity shows only in the PARODD and
// CMSPAR bits it keeps.
TEST_F(TermTest, LineSettingsRoundTripThroughTheDevice)
{
    struct Case {
        int parity, stopbits, flow;
        bool odd, mark;
    };
    const Case cases[] = {
        {P_NONE, 1, FC_NONE, false, false},   {P_EVEN, 2, FC_RTSCTS, false, false},
        {P_ODD, 1, FC_XONXOFF, true, false},  {P_MARK, 2, FC_NONE, true, true},
        {P_SPACE, 1, FC_RTSCTS, false, true},
    };
    PtyPair& pty = NewPty();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "parity " << c.parity << " flow " << c.flow);
        ASSERT_EQ(term_set(pty.slave, 1, 19200, c.parity, 8, c.stopbits, c.flow, 1, 0), 0);
        ASSERT_EQ(term_apply(pty.slave, 1), 0);
        struct termios tio = pty.attrs();
        EXPECT_EQ(static_cast<bool>(tio.c_cflag & PARODD), c.odd);
        EXPECT_EQ(static_cast<bool>(tio.c_cflag & CMSPAR), c.mark);
        EXPECT_EQ(term_get_stopbits(pty.slave), c.stopbits);
        EXPECT_EQ(term_get_flowcntrl(pty.slave), c.flow);
        EXPECT_EQ(term_get_baudrate(pty.slave), 19200);
        EXPECT_EQ(term_get_databits(pty.slave), 8);
    }
    ASSERT_EQ(term_set(pty.slave, 1, 19200, P_NONE, 8, 1, FC_NONE, 1, 0), 0);
    ASSERT_EQ(term_set_flowcntrl(pty.slave, FC_XONXOFF), 0);
    ASSERT_EQ(term_set_flowcntrl(pty.slave, FC_RTSCTS), 0);
    ASSERT_EQ(term_apply(pty.slave, 1), 0);
    EXPECT_EQ(term_get_flowcntrl(pty.slave), FC_RTSCTS) << "hardware flow clears the software bits";
    struct termios mixed = pty.attrs();
    mixed.c_iflag |= IXON;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &mixed), 0);
    ASSERT_EQ(term_refresh(pty.slave), 0);
    EXPECT_EQ(term_get_flowcntrl(pty.slave), FC_OTHER);
}

TEST_F(TermTest, RejectedSettingLeavesNoTrace)
{
    struct Case {
        int baud, parity, databits, stopbits, flow, code;
    };
    const Case cases[] = {
        {230400, P_NONE, 8, 1, FC_NONE, TERM_EBAUD},  {9600, 5, 8, 1, FC_NONE, TERM_EPARITY},
        {9600, P_NONE, 9, 1, FC_NONE, TERM_EDATABITS}, {9600, P_NONE, 8, 3, FC_NONE, TERM_ESTOPBITS},
        {9600, P_NONE, 8, 1, 3, TERM_EFLOW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "expected code " << c.code);
        PtyPair& fresh = NewPty();
        PtyPair& known = NewPty();
        struct termios freshBefore = fresh.attrs();
        EXPECT_EQ(term_set(fresh.slave, 1, c.baud, c.parity, c.databits, c.stopbits, c.flow, 1, 1), -1);
        EXPECT_EQ(term_errno, c.code);
        EXPECT_EQ(term_erase(fresh.slave), -1) << "the slot taken by the failed call is free again";
        EXPECT_EQ(term_errno, TERM_ENOTFOUND);
        EXPECT_TRUE(SameLineSettings(fresh.attrs(), freshBefore));

        ASSERT_EQ(term_set(known.slave, 0, 1200, P_NONE, 8, 2, FC_XONXOFF, 0, 0), 0);
        EXPECT_EQ(term_set(known.slave, 1, c.baud, c.parity, c.databits, c.stopbits, c.flow, 1, 1), -1);
        ASSERT_EQ(term_apply(known.slave, 1), 0);
        EXPECT_EQ(term_get_baudrate(known.slave), 1200) << "earlier edits survive a failed term_set";
        EXPECT_EQ(term_get_stopbits(known.slave), 2);
        EXPECT_EQ(term_get_flowcntrl(known.slave), FC_XONXOFF);
        EXPECT_FALSE(known.attrs().c_cflag & CLOCAL);
    }
}

TEST_F(TermTest, LookupsAndRegistrationErrors)
{
    PtyPair& pty = NewPty();
    EXPECT_EQ(term_apply(pty.slave, 0), -1);
    EXPECT_EQ(term_errno, TERM_ENOTFOUND);

    ASSERT_EQ(term_add(pty.slave), 0);
    EXPECT_EQ(term_add(pty.slave), -1);
    EXPECT_EQ(term_errno, TERM_EEXISTS);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_EQ(term_set(fds[0], 1, 9600, P_NONE, 8, 1, FC_NONE, 1, 1), -1);
    EXPECT_EQ(term_errno, TERM_EISATTY);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(term_erase(fds[0]), -1) << "a descriptor that is not a terminal takes no slot";
    close(fds[0]);
    close(fds[1]);
}

// Free slots hold -1: a lookup of -1 must not land on one of them.
TEST_F(TermTest, MinusOneAndUnregisteredDescriptorsAreNotFound)
{
    ASSERT_EQ(term_add(NewPty().slave), 0);
    const int unregistered = NewPty().slave;
    using Op = int (*)(int);
    const std::vector<std::pair<const char*, Op>> ops = {
        {"remove", term_remove},
        {"erase", term_erase},
        {"replace", [](int fd) { return term_replace(fd, fd); }},
        {"reset", term_reset},
        {"revert", term_revert},
        {"refresh", term_refresh},
        {"apply", [](int fd) { return term_apply(fd, 1); }},
        {"flush", term_flush},
        {"drain", term_drain},
        {"set_raw", term_set_raw},
        {"set_baudrate", [](int fd) { return term_set_baudrate(fd, 9600); }},
        {"set_parity", [](int fd) { return term_set_parity(fd, P_NONE); }},
        {"set_databits", [](int fd) { return term_set_databits(fd, 8); }},
        {"set_stopbits", [](int fd) { return term_set_stopbits(fd, 1); }},
        {"set_flowcntrl", [](int fd) { return term_set_flowcntrl(fd, FC_NONE); }},
        {"set_local", [](int fd) { return term_set_local(fd, 1); }},
        {"set_hupcl", [](int fd) { return term_set_hupcl(fd, 1); }},
        {"get_baudrate", [](int fd) { return term_get_baudrate(fd); }},
        {"get_parity", term_get_parity},
        {"get_databits", term_get_databits},
        {"get_stopbits", term_get_stopbits},
        {"get_flowcntrl", term_get_flowcntrl},
        {"pulse_dtr", term_pulse_dtr},
        {"raise_dtr", term_raise_dtr},
        {"lower_dtr", term_lower_dtr},
        {"get_mctl", term_get_mctl},
        {"break", term_break},
    };
    for (int fd : {-1, unregistered}) {
        for (const auto& op : ops) {
            term_errno = TERM_EOK;
            EXPECT_EQ(op.second(fd), -1) << op.first << "(" << fd << ")";
            EXPECT_EQ(term_errno, TERM_ENOTFOUND) << op.first << "(" << fd << ")";
        }
    }

    EXPECT_EQ(term_set(-1, 1, 9600, P_NONE, 8, 1, FC_NONE, 1, 1), -1);
    EXPECT_EQ(term_errno, TERM_EISATTY);
    for (int i = 1; i < TERM_SLOT_COUNT; i++) {
        EXPECT_EQ(term_add(NewPty().slave), 0) << "slot " << i << " is still free";
    }
}

TEST_F(TermTest, SixteenSlotsAndNoMore)
{
    for (int i = 0; i < TERM_SLOT_COUNT + 2; i++) {
        NewPty();
    }
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        ASSERT_EQ(SetRaw(ptys[i]->slave, 9600), 0) << "slot " << i;
    }
    EXPECT_EQ(SetRaw(ptys[16]->slave, 9600), -1);
    EXPECT_EQ(term_errno, TERM_EFULL);
    EXPECT_EQ(term_add(ptys[16]->slave), -1);

    ASSERT_EQ(term_erase(ptys[5]->slave), 0);
    EXPECT_EQ(SetRaw(ptys[16]->slave, 9600), 0) << "the freed slot is taken again";
    EXPECT_EQ(SetRaw(ptys[17]->slave, 9600), -1);
    EXPECT_EQ(term_errno, TERM_EFULL);
}

TEST_F(TermTest, SpeedOutsideTheTableCannotBeDecoded)
{
    PtyPair& pty = NewPty();
    struct termios tio = pty.attrs();
    cfsetospeed(&tio, B230400);
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &tio), 0);
    ASSERT_EQ(term_add(pty.slave), 0);
    EXPECT_EQ(term_get_baudrate(pty.slave), -1);
    EXPECT_EQ(term_errno, TERM_EGETSPEED);
}

TEST_F(TermTest, FailedFlushKeepsTheLastCode)
{
    auto pty = std::make_unique<PtyPair>();
    ASSERT_EQ(term_add(pty->slave), 0);
    close(pty->master);  // hangs the slave up: every request on it now fails
    pty->master = -1;
    EXPECT_EQ(term_erase(-5), -1);
    ASSERT_EQ(term_errno, TERM_ENOTFOUND);
    EXPECT_EQ(term_flush(pty->slave), -1);
    EXPECT_EQ(term_errno, TERM_ENOTFOUND);
    term_erase(pty->slave);
}

TEST_F(TermTest, LaterStartRestoresAndFreesEverySlot)
{
    PtyPair& a = NewPty();
    PtyPair& b = NewPty();
    struct termios aBefore = a.attrs(), bBefore = b.attrs();
    for (int fd : {a.slave, b.slave}) {
        ASSERT_EQ(term_set(fd, 1, 300, P_EVEN, 7, 2, FC_NONE, 1, 0), 0);
        ASSERT_EQ(term_apply(fd, 1), 0);
    }
    ASSERT_FALSE(SameLineSettings(a.attrs(), aBefore));

    EXPECT_EQ(term_lib_init(), 0);
    EXPECT_TRUE(SameLineSettings(a.attrs(), aBefore));
    EXPECT_TRUE(SameLineSettings(b.attrs(), bBefore));
    EXPECT_EQ(term_erase(a.slave), -1);
    EXPECT_EQ(term_erase(b.slave), -1);
}

TEST_F(TermTest, RemoveResetRevertRefreshReplace)
{
    PtyPair& a = NewPty();
    PtyPair& b = NewPty();
    struct termios original = a.attrs();

    ASSERT_EQ(SetRaw(a.slave, 4800), 0);
    ASSERT_EQ(term_apply(a.slave, 1), 0);
    ASSERT_EQ(SetRaw(a.slave, 600), 0);
    ASSERT_EQ(term_revert(a.slave), 0);
    ASSERT_EQ(term_apply(a.slave, 1), 0);
    EXPECT_EQ(OutputSpeed(a.attrs()), B4800) << "revert drops the unapplied edit";

    struct termios changed = a.attrs();
    cfsetospeed(&changed, B1200);
    ASSERT_EQ(tcsetattr(a.slave, TCSANOW, &changed), 0);
    EXPECT_EQ(term_get_baudrate(a.slave), 4800);
    ASSERT_EQ(term_refresh(a.slave), 0);
    EXPECT_EQ(term_get_baudrate(a.slave), 1200);

    ASSERT_EQ(term_reset(a.slave), 0);
    EXPECT_TRUE(SameLineSettings(a.attrs(), original));
    ASSERT_EQ(term_apply(a.slave, 1), 0);
    EXPECT_TRUE(SameLineSettings(a.attrs(), original)) << "reset also resets the edited copy";

    ASSERT_EQ(SetRaw(a.slave, 57600), 0);
    ASSERT_EQ(term_apply(a.slave, 1), 0);
    ASSERT_EQ(term_replace(a.slave, b.slave), 0);
    EXPECT_EQ(OutputSpeed(b.attrs()), B57600);
    EXPECT_EQ(term_erase(a.slave), -1);
    EXPECT_EQ(term_remove(b.slave), 0);
    EXPECT_EQ(term_erase(b.slave), -1);

    struct termios registered = a.attrs();
    ASSERT_EQ(SetRaw(a.slave, 300), 0);
    ASSERT_EQ(term_apply(a.slave, 1), 0);
    ASSERT_EQ(term_remove(a.slave), 0);
    EXPECT_TRUE(SameLineSettings(a.attrs(), registered)) << "remove restores the registration-time settings";
    EXPECT_EQ(term_erase(a.slave), -1);
}

TEST_F(TermTest, LineControlOnAPseudoTerminal)
{
    PtyPair& pty = NewPty();
    ASSERT_EQ(term_add(pty.slave), 0);
    EXPECT_EQ(term_drain(pty.slave), 0);
    EXPECT_EQ(term_break(pty.slave), 0);
    // A pseudo-terminal has no modem-control lines.
    EXPECT_EQ(term_get_mctl(pty.slave), -1);
    EXPECT_EQ(term_raise_dtr(pty.slave), -1);
    EXPECT_EQ(term_errno, TERM_EDTRUP);
    EXPECT_EQ(term_lower_dtr(pty.slave), -1);
    EXPECT_EQ(term_errno, TERM_EDTRDOWN);
    EXPECT_EQ(term_pulse_dtr(pty.slave), -1);
    EXPECT_EQ(term_errno, TERM_EDTRDOWN);
}

TEST(TermSpeeds, StepAndCheckAgainstTheTable)
{
    struct Case {
        int speed, up, down, ok;
    };
    const Case cases[] = {
        {0, 50, 0, 1},           {50, 75, 0, 1},          {100, 110, 75, 0},
        {9600, 19200, 4800, 1},  {115200, 115200, 57600, 1}, {230400, 230400, 115200, 0},
        {-1, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        EXPECT_EQ(term_baud_up(c.speed), c.up);
        EXPECT_EQ(term_baud_down(c.speed), c.down);
        EXPECT_EQ(term_baud_ok(c.speed), c.ok);
    }
}

TEST(TermErrors, TextsOfTheCodes)
{
    struct Case {
        unsigned code;
        int errnum;
        const char* text;
    };
    const Case cases[] = {
        {TERM_EOK, EIO, "No error"},
        {TERM_EFULL, EIO, "Framework is full"},
        {TERM_EGETATTR, EIO, "Cannot get the device attributes: Input/output error"},
        {TERM_ESETOSPEED, ENOTTY, "Cannot set the output speed: Inappropriate ioctl for device"},
        {TERM_EBAUD, EIO, "Invalid baud rate"},
        {TERM_EBREAK, EIO, "Cannot send break sequence: Input/output error"},
        {TERM_EGETSPEED, EIO, ""},
        {23, EIO, ""},
        {~0u, EIO, ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(term_strerror(c.code, c.errnum), c.text) << "code " << c.code;
    }
}

TEST(TermErrors, PerrorNamesTheLastFailure)
{
    ASSERT_EQ(term_lib_init(), 0);
    ASSERT_EQ(term_erase(-5), -1);
    testing::internal::CaptureStderr();
    term_perror("port:");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "port: Filedes not in the framework\n");

    term_errno = TERM_EGETSPEED;
    testing::internal::CaptureStderr();
    term_perror("port:");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "port: framework error 13\n");
}

}  // namespace
