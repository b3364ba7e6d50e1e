// Scenarios in a fresh process of the helper program: the framework before it is started, and
// what a normal exit gives back.
#include <gtest/gtest.h>

#include <cstring>

#include "PtyPair.h"

namespace {

TEST(TermFreshProcess, EveryLookupFailsBeforeStart)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ChildResult child = RunChild({SERIAL_CHILD_BIN, "before-init", pty.path});
    ASSERT_EQ(child.exitCode, 0) << child.err;
    // result, then term_errno: 1 uninitialised, 6 not a terminal
    EXPECT_EQ(child.out,
              "apply -1 1\n"
              "set_tty -1 1\n"
              "set_file -1 6\n"
              "baudrate -1 1\n"
              "erase -1 1\n");
}

TEST(TermExitRestore, NormalExitGivesOpenPortsTheirSettingsBack)
{
    PtyPair registered, closedByPort, leftOpen;
    ASSERT_TRUE(registered.ok() && closedByPort.ok() && leftOpen.ok());
    struct termios registeredBefore = registered.attrs();
    struct termios leftOpenBefore = leftOpen.attrs();

    ChildResult child = RunChild(
        {SERIAL_CHILD_BIN, "restore", registered.path, closedByPort.path, leftOpen.path});
    ASSERT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(child.err, "");

    EXPECT_TRUE(SameLineSettings(registered.attrs(), registeredBefore));
    EXPECT_TRUE(SameLineSettings(leftOpen.attrs(), leftOpenBefore));
    // A port closed before the exit keeps raw mode, without hang-up on close.
    struct termios closed = closedByPort.attrs();
    EXPECT_EQ(cfgetospeed(&closed), B115200);
    EXPECT_FALSE(closed.c_lflag & ICANON);
    EXPECT_FALSE(closed.c_cflag & HUPCL);
}

TEST(TermExitRestore, FailedRestoreIsReportedAndTheRestStillRestored)
{
    PtyPair broken, fine;
    ASSERT_TRUE(broken.ok() && fine.ok());
    struct termios fineBefore = fine.attrs();

    ChildResult child = RunChild({SERIAL_CHILD_BIN, "restore-fails", broken.path, fine.path});
    ASSERT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(child.err, std::string("term_exitfunc: reset failed for dev UNKNOWN: ")
                             + strerror(ENOTTY) + "\n");
    EXPECT_TRUE(SameLineSettings(fine.attrs(), fineBefore));
}

}  // namespace
