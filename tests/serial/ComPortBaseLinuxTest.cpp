#include "ComPortBaseLinux.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "term.h"

namespace {

class ComPortTest : public FrameworkPtyTest {
protected:

    // A regular file stands in for a device that is not a terminal.
    std::string RegularFile()
    {
        char path[] = "/tmp/zavrix-notatty-XXXXXX";
        int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        close(fd);
        files.push_back(path);
        return path;
    }

    ~ComPortTest() override
    {
        for (const std::string& f : files) unlink(f.c_str());
    }

    std::vector<std::string> files;
};

TEST_F(ComPortTest, OpensRaw8N1AtItsSpeedAndClosesWithoutHangUp)
{
    struct Case {
        int baud;
        speed_t code;
        int chunk;
    };
    for (const Case& c : {Case{9600, B9600, 960}, Case{115200, B115200, 11520}}) {
        SCOPED_TRACE(c.baud);
        PtyPair& pty = NewPty();
        CComPortBaseLinux port(pty.path, c.baud);
        ASSERT_TRUE(port.Open());
        EXPECT_TRUE(port.IsOpened());
        EXPECT_EQ(tty_write_sz, c.chunk);

        struct termios tio = pty.attrs();
        EXPECT_EQ(cfgetospeed(&tio), c.code);
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (CLOCAL | HUPCL), static_cast<tcflag_t>(CLOCAL | HUPCL));
        EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
        EXPECT_FALSE(tio.c_oflag & OPOST);
        EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));

        EXPECT_TRUE(port.Close());
        EXPECT_FALSE(port.IsOpened());
        struct termios closed = pty.attrs();
        EXPECT_EQ(cfgetospeed(&closed), c.code);
        EXPECT_FALSE(closed.c_lflag & ICANON) << "closing keeps raw mode";
        EXPECT_FALSE(closed.c_cflag & HUPCL) << "closing must not drop DTR";
        EXPECT_TRUE(port.Close());
        EXPECT_FALSE(port.IsComError());
    }
}

TEST_F(ComPortTest, MissingDeviceFailsWithoutRecordingAnError)
{
    CComPortBaseLinux port("/tmp/zavrix-no-such-device", 9600);
    errno = 0;
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpened());
    EXPECT_FALSE(port.IsComError());
    EXPECT_EQ(port.GetErrorMsg(), "");
    EXPECT_FALSE(port.Write("AT\r\n"));
}

TEST_F(ComPortTest, NotATerminalRecordsTheSystemErrorAndStaysOpen)
{
    CComPortBaseLinux port(RegularFile(), 9600);
    errno = 0;
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpened());
    EXPECT_TRUE(port.IsComError());
    EXPECT_EQ(port.GetErrorMsg(), std::string("Code: 25  ") + strerror(ENOTTY));
    EXPECT_TRUE(port.Open()) << "an open port is not configured again";
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpened());
}

TEST_F(ComPortTest, FirstRecordedErrorStays)
{
    PtyPair& pty = NewPty();
    std::vector<std::unique_ptr<CComPortBaseLinux>> full;
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        full.push_back(std::make_unique<CComPortBaseLinux>(NewPty().path, 9600));
        ASSERT_TRUE(full.back()->Open());
    }
    CComPortBaseLinux port(pty.path, 115200);
    // A full table involves no system call: whatever errno holds is what gets recorded.
    errno = EBUSY;
    EXPECT_FALSE(port.Open());
    const std::string first = std::string("Code: 16  ") + strerror(EBUSY);
    EXPECT_EQ(port.GetErrorMsg(), first);

    full.pop_back();
    port.Close();
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(pty.speed(), B115200);
    errno = EIO;
    port.HandleError();
    EXPECT_TRUE(port.IsComError());
    EXPECT_EQ(port.GetErrorMsg(), first);
}

TEST_F(ComPortTest, SeventeenthPortFindsTheFrameworkFull)
{
    std::vector<std::unique_ptr<CComPortBaseLinux>> ports;
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        ports.push_back(std::make_unique<CComPortBaseLinux>(NewPty().path, 9600));
        ASSERT_TRUE(ports.back()->Open());
    }
    CComPortBaseLinux extra(NewPty().path, 9600);
    errno = 0;
    EXPECT_FALSE(extra.Open());
    EXPECT_TRUE(extra.IsOpened());
    EXPECT_FALSE(extra.IsComError());
}

TEST_F(ComPortTest, SpeedOutsideTheTableFailsTheOpen)
{
    PtyPair& pty = NewPty();
    struct termios before = pty.attrs();
    CComPortBaseLinux port(pty.path, 230400);
    errno = 0;
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsComError());
    EXPECT_TRUE(SameLineSettings(pty.attrs(), before));
}

// Used to record a stale errno of an earlier call as the error of a port that opened fine.
TEST_F(ComPortTest, SuccessfulOpenRecordsNoStaleError)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 9600);
    errno = EIO;
    EXPECT_TRUE(port.Open());
    EXPECT_FALSE(port.IsComError());
    EXPECT_EQ(port.GetErrorMsg(), "");
}

// Used to stop after five cycles and report success with the rest of the command unsent.
TEST_F(ComPortTest, CommandOfManyChunksArrivesWhole)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 9600);
    ASSERT_TRUE(port.Open());
    std::string command;
    for (int i = 0; command.size() < 7 * 960 + 100; i++) command += std::to_string(i) + ",";
    // The other end reads as the bytes come, as a modem does.
    std::string received;
    std::thread modem([&] { received = pty.receive(command.size()); });
    EXPECT_TRUE(port.Write(command));
    modem.join();
    EXPECT_EQ(received.size(), command.size());
    EXPECT_TRUE(received == command);
}

// Used to throw away, when closing, what the line had taken but the far end not yet read: a
// far end that reads nothing holds the bytes in the pseudo-terminal's buffers.
TEST_F(ComPortTest, CloseKeepsWhatTheLineTookAndDropsStaleInput)
{
    PtyPair& pty = NewPty();
    const std::string command(8000, 'A');
    {
        CComPortBaseLinux port(pty.path, 115200);
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.Write(command));
        pty.send("stale answer");
        struct pollfd arrived {pty.slave, POLLIN, 0};
        ASSERT_EQ(1, poll(&arrived, 1, 5000)) << "the answer reaches the port's side";
        EXPECT_TRUE(port.Close());
    }
    EXPECT_EQ(pty.receive(command.size(), 200).size(), command.size());
    int unread = -1;
    ASSERT_EQ(0, ioctl(pty.slave, FIONREAD, &unread));
    EXPECT_EQ(0, unread) << "input pending at close is discarded";
}

// Used to report success although the line took nothing.
TEST_F(ComPortTest, WriteReportsACommandThatCouldNotLeave)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 115200);
    ASSERT_TRUE(port.Open());
    // Nobody reads the other end: fill the line until it stays full. The kernel moves written
    // bytes on to the far end's line discipline when it gets round to it, which on a loaded
    // machine can be long after the writes stopped; only once that holds all it takes (4095
    // bytes, raw) and the line takes no more is it full for good.
    fcntl(pty.slave, F_SETFL, O_NONBLOCK);
    const std::string block(512, 'x');
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int held = 0; held < 4095 && std::chrono::steady_clock::now() < deadline; usleep(1000)) {
        while (write(pty.slave, block.data(), block.size()) > 0) {
        }
        ioctl(pty.master, FIONREAD, &held);
    }
    while (write(pty.slave, block.data(), block.size()) > 0) {
    }
    EXPECT_FALSE(port.Write("AT\r\n"));
}

TEST_F(ComPortTest, EarlyAnswerComesFirstInTheNextRead)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 115200);
    ASSERT_TRUE(port.Open());
    pty.send("AT\r\r\n");  // the echo, already there while the command goes out
    ASSERT_TRUE(port.Write("AT\r\n"));
    EXPECT_EQ(pty.receive(4), "AT\r\n");
    pty.send("OK\r\n");

    std::string answer = "kept:";
    EXPECT_TRUE(port.ReadAll(answer));
    EXPECT_EQ(answer, "kept:AT\r\r\nOK\r\n");
    EXPECT_TRUE(port.ReadAll(answer));
    EXPECT_EQ(answer, "kept:AT\r\r\nOK\r\n") << "a quiet line adds nothing";
}

// The exchanges' read counts assume these durations: precise pauses may bring a call down to
// its design, never below it.
TEST_F(ComPortTest, QuietLineCallsLastAtLeastTheirDesign)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 115200);
    ASSERT_TRUE(port.Open());
    const struct {
        const char* call;
        std::chrono::microseconds designed;  // pauses plus the whole wait budget of poll
        std::function<void()> run;
    } calls[] = {
        {"Write", std::chrono::microseconds(3000 + 1000), [&] { port.Write("AT+CSQ\r\n"); }},
        {"Read", std::chrono::microseconds(5500 + 1000), [&] { std::string out; port.Read(out); }},
        {"ReadAll", std::chrono::microseconds(5500 + 1000), [&] { std::string out; port.ReadAll(out); }},
    };
    for (const auto& c : calls) {
        for (int i = 0; i < 20; i++) {
            const auto start = std::chrono::steady_clock::now();
            c.run();
            EXPECT_GE(std::chrono::steady_clock::now() - start, c.designed) << c.call << " call " << i;
            pty.receive(64, 0);  // the command, so the line stays quiet
        }
    }
}

TEST_F(ComPortTest, ClosedPortStillHandsOutWhatCameDuringWrite)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 9600);
    ASSERT_TRUE(port.Open());
    pty.send("+CME ERROR: 10\r\n");
    ASSERT_TRUE(port.Write("AT+CPIN?\r\n"));
    port.Close();
    std::string out;
    EXPECT_FALSE(port.Read(out));
    EXPECT_EQ(out, "+CME ERROR: 10\r\n");
    EXPECT_FALSE(port.Read(out));
    EXPECT_EQ(out, "+CME ERROR: 10\r\n");
}

TEST_F(ComPortTest, LongAnswerIsReadInOneCall)
{
    PtyPair& pty = NewPty();
    CComPortBaseLinux port(pty.path, 115200);
    ASSERT_TRUE(port.Open());
    std::string listing;
    while (listing.size() < 3000) listing += "+CMGL: 1,1,,24\r\n0891683108200505F0040D91\r\n";
    pty.send(listing);
    std::string out;
    port.ReadAll(out);
    EXPECT_EQ(out, listing) << "every block read earns more cycles";
}

TEST_F(ComPortTest, VanishedDeviceEndsTheExchange)
{
    auto pty = std::make_unique<PtyPair>();
    CComPortBaseLinux port(pty->path, 9600);
    ASSERT_TRUE(port.Open());
    close(pty->master);
    pty->master = -1;
    EXPECT_FALSE(port.Write("AT\r\n"));
    std::string out = "x";
    EXPECT_TRUE(port.ReadAll(out));
    EXPECT_EQ(out, "x");
    port.Close();
}

// select with an fd_set cannot watch a descriptor at or above FD_SETSIZE.
TEST_F(ComPortTest, WorksOnADescriptorAboveTheSelectLimit)
{
    struct rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < FD_SETSIZE + 64) {
        GTEST_SKIP() << "descriptor limit too low";
    }
    PtyPair& pty = NewPty();
    // Every lower number taken, so the port gets a descriptor above the limit.
    std::vector<int> fillers{open("/dev/null", O_RDONLY)};
    while (fillers.back() >= 0 && fillers.back() < FD_SETSIZE + 8) fillers.push_back(dup(fillers[0]));
    CComPortBaseLinux port(pty.path, 115200);
    bool opened = port.Open();
    bool aboveLimit = fillers.back() >= FD_SETSIZE + 8;
    for (int fd : fillers) close(fd);
    ASSERT_TRUE(aboveLimit);
    ASSERT_TRUE(opened);

    pty.send("early");
    EXPECT_TRUE(port.Write("AT\r\n"));
    EXPECT_EQ(pty.receive(4), "AT\r\n");
    pty.send(" late");
    std::string out;
    port.ReadAll(out);
    EXPECT_EQ(out, "early late");
}

TEST(ReadFinished, FinalAnswersAndPrompts)
{
    const std::pair<const char*, bool> cases[] = {
        {"\r\nOK\r\n", true},  {"+CMS ERROR: 500", true}, {"> ", true},  {"SMS FULL", true},
        {"^SMS DONE", true},   {"AT+CSQ\r\r\n", false},   {"", false},   {"ok", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsReadFinished(c.first), c.second) << c.first;
}

}  // namespace
