#include "ComPortBaseLinux.h"
#include "pty_pair.h"
#include "term.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <functional>
#include <string>

namespace {

const int LOOP_RETURNED = 42;

// The terminal loop in a child process of its own group (deadly_handler signals the whole
// group): one pseudo-terminal is its keyboard and screen, another its serial port.
class LoopRun {
public:
    PtyPair kbd;
    PtyPair port;

    explicit LoopRun(const std::function<void()> &setup = [] {})
    {
        if (!kbd.ok() || !port.ok())
            return;
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);
            close(kbd.master);
            close(port.master);
            dup2(kbd.slave, STDIN_FILENO);
            dup2(kbd.slave, STDOUT_FILENO);
            fcntl(port.slave, F_SETFL, fcntl(port.slave, F_GETFL) | O_NONBLOCK);
            m_nComFd = port.slave;
            tty_write_sz = 8;  // small chunks, as at a slow speed
            setup();
            establish_signal_handlers();
            loop();
            _exit(LOOP_RETURNED);
        }
        if (pid_ > 0)
            setpgid(pid_, pid_);
    }
    ~LoopRun()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    LoopRun(const LoopRun &) = delete;
    LoopRun &operator=(const LoopRun &) = delete;

    bool ok() const { return pid_ > 0; }
    void type(const std::string &keys) { ASSERT_TRUE(write_all(kbd.master, keys)); }
    std::string port_reads(const std::string &want) { return read_until(port.master, want); }
    std::string screen_shows(const std::string &want) { return read_until(kbd.master, want); }

    // The child's wait status once it has ended.
    int wait()
    {
        int status = -1;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    void signal(int signum) { kill(pid_, signum); }

private:
    pid_t pid_ = -1;
};

// Fills the port's output until the port stops being writable.
void fill_port_output(int fd)
{
    const std::string dots(512, '.');
    for (int round = 0; round < 3; ++round) {
        while (write(fd, dots.data(), dots.size()) > 0) {
        }
        usleep(20000);  // let the line discipline take what it can, then fill again
    }
}

} // namespace

TEST(TermLoop, TypedBytesReachThePortThroughOmap)
{
    LoopRun run([] { opts.omap = M_CRLF | M_BSDEL; });
    ASSERT_TRUE(run.ok());
    run.type("ab\rc\bd!");
    EXPECT_EQ(run.port_reads("!"), "ab\nc\x7f" "d!");
}

TEST(TermLoop, PortBytesReachTheScreenThroughImap)
{
    LoopRun run([] { opts.imap = M_LFCRLF | M_IGNCR; });
    ASSERT_TRUE(run.ok());
    const std::string burst(300, 'x');  // more than one read of the port
    ASSERT_TRUE(write_all(run.port.master, "a\r\nb" + burst + "!"));
    EXPECT_EQ(run.screen_shows("!"), "a\r\nb" + burst + "!");
}

TEST(TermLoop, EscapeKeyTwiceSendsItOnce)
{
    LoopRun run;
    ASSERT_TRUE(run.ok());
    // escape + z: a command key, dropped; escape twice: one escape byte sent
    run.type("1\x01z2\x01\x01" "3\x01\x01\x01\x01!");
    EXPECT_EQ(run.port_reads("!"), "12\x01" "3\x01\x01!");
}

TEST(TermLoop, LocalEchoUsesEmap)
{
    LoopRun run([] { opts.echo = 1; });
    ASSERT_TRUE(run.ok());
    run.type("a\r\x7f!");
    EXPECT_EQ(run.port_reads("!"), "a\r\x7f!");
    EXPECT_EQ(run.screen_shows("!"), "a\r\n\b!");
}

TEST(TermLoop, FullQueueRingsTheBell)
{
    LoopRun run([] {
        opts.omap = M_CRCRLF;
        fill_port_output(m_nComFd);
    });
    ASSERT_TRUE(run.ok());
    // 252 queued bytes still take a CR, which the mapping makes two; the next keys find
    // 254 + 4 above the queue's 256 and ring the bell instead
    const std::string queued(252, 'k');
    run.type(queued + "\rzz");
    EXPECT_EQ(run.screen_shows("\a\a"), "\a\a");

    const std::string port = run.port_reads("\r\n");
    const size_t first = port.find('k');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(port.substr(first), queued + "\r\n");
    run.type("e");
    EXPECT_EQ(run.port_reads("e"), "e");
}

TEST(TermLoop, SigtermEndsTheLoop)
{
    LoopRun run;
    ASSERT_TRUE(run.ok());
    run.type("x");
    ASSERT_EQ(run.port_reads("x"), "x");  // the loop is running
    run.signal(SIGTERM);
    const int status = run.wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), LOOP_RETURNED);
}

TEST(TermLoop, LineEndEndsTheProcess)
{
    for (bool keyboard : {true, false}) {
        LoopRun run;
        ASSERT_TRUE(run.ok());
        run.type("x");
        ASSERT_EQ(run.port_reads("x"), "x");
        close(keyboard ? run.kbd.master : run.port.master);
        (keyboard ? run.kbd.master : run.port.master) = -1;
        const int status = run.wait();
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 1) << (keyboard ? "keyboard" : "port");
    }
}

// Before any port is configured the write chunk size is 0; typed bytes must still go out.
TEST(TermLoop, UnconfiguredChunkSizeStillSends)
{
    LoopRun run([] { tty_write_sz = 0; });
    ASSERT_TRUE(run.ok());
    run.type("hello!");
    EXPECT_EQ(run.port_reads("!"), "hello!");
    run.signal(SIGTERM);
    EXPECT_EQ(run.wait(), LOOP_RETURNED << 8);
}

// A port descriptor beyond what an fd_set holds must work, not overrun the set.
TEST(TermLoop, PortDescriptorAboveFdSetSize)
{
    const int high = FD_SETSIZE + 100;
    struct rlimit lim;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
    if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max <= static_cast<rlim_t>(high))
        GTEST_SKIP() << "descriptor limit too low";
    LoopRun run([high] {
        struct rlimit raised;
        getrlimit(RLIMIT_NOFILE, &raised);
        raised.rlim_cur = high + 1;
        if (setrlimit(RLIMIT_NOFILE, &raised) != 0 || dup2(m_nComFd, high) != high)
            _exit(77);
        m_nComFd = high;
    });
    ASSERT_TRUE(run.ok());
    run.type("up!");
    EXPECT_EQ(run.port_reads("!"), "up!");
    ASSERT_TRUE(write_all(run.port.master, "down!"));
    EXPECT_EQ(run.screen_shows("!"), "down!");
}
