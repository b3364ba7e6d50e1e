#include "ComPortBase.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <memory>

#include "PtyPair.h"
#include "term.h"

namespace {

class ComPortHandleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CComPortBase::ResetAllComPort(), 0);
        ASSERT_TRUE(pty.ok());
    }
    void TearDown() override { term_lib_init(); }

    PtyPair pty;
};

// Every exchange is paced in half-milliseconds; the default slack would stretch each pause.
TEST_F(ComPortHandleTest, StartUpSetsTheFinestTimerSlack)
{
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), 1);
}

TEST_F(ComPortHandleTest, MissingDeviceGivesAUsableClosedHandle)
{
    CComPortBase handle("/tmp/zavrix-no-such-device", 9600);
    EXPECT_FALSE(handle.IsOpened());
    EXPECT_FALSE(handle.Open());
    EXPECT_FALSE(handle.Write("AT\r\n"));
    std::string out = "before";
    EXPECT_TRUE(handle.ReadAll(out));
    EXPECT_EQ(out, "before");
    EXPECT_FALSE(handle.IsComError());
    EXPECT_EQ(handle.GetErrorMsg(), "");
}

TEST_F(ComPortHandleTest, OpenWhileAliveAndClosedWithoutHangUpWhenDestroyed)
{
    {
        CComPortBase handle(pty.path, 115200);
        EXPECT_TRUE(handle.IsOpened());
        EXPECT_TRUE(handle.Open());
        EXPECT_EQ(pty.speed(), B115200);
        EXPECT_TRUE(pty.attrs().c_cflag & HUPCL);

        ASSERT_TRUE(handle.Write("ATI\r\n"));
        EXPECT_EQ(pty.receive(5), "ATI\r\n");
        pty.send("Manufacturer\r\nOK\r\n");
        std::string answer = "ATI\r\r\n";
        EXPECT_TRUE(handle.ReadAll(answer));
        EXPECT_EQ(answer, "ATI\r\r\nManufacturer\r\nOK\r\n");
    }
    EXPECT_FALSE(pty.attrs().c_cflag & HUPCL);
    EXPECT_FALSE(pty.attrs().c_lflag & ICANON);
    EXPECT_EQ(term_erase(pty.slave), -1);
}

TEST_F(ComPortHandleTest, ReopenConfiguresAgain)
{
    CComPortBase handle(pty.path, 9600);
    ASSERT_TRUE(handle.IsOpened());
    EXPECT_TRUE(handle.Close());
    struct termios cooked = pty.attrs();
    cfsetospeed(&cooked, B1200);
    cooked.c_lflag |= ICANON;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &cooked), 0);
    EXPECT_TRUE(handle.Open());
    EXPECT_EQ(pty.speed(), B9600);
    EXPECT_FALSE(pty.attrs().c_lflag & ICANON);
}

TEST_F(ComPortHandleTest, ClosedHandleReadsWhatArrivedDuringWrite)
{
    CComPortBase handle(pty.path, 9600);
    pty.send("AT\r");
    ASSERT_TRUE(handle.Write("AT\r\n"));
    handle.Close();
    EXPECT_FALSE(handle.Write("AT\r\n"));
    std::string out = ">";
    EXPECT_FALSE(handle.Read(out));
    EXPECT_EQ(out, ">AT\r");
    EXPECT_TRUE(handle.ReadAll(out));
    EXPECT_EQ(out, ">AT\r");
}

}  // namespace
