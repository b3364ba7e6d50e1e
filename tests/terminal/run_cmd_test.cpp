#include "ComPortBaseLinux.h"
#include "pty_pair.h"
#include "redirect.h"
#include "term.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>

#include <memory>
#include <string>
#include <thread>

namespace {

struct CmdResult {
    int status;
    std::string out;  // what run_cmd showed on the terminal
    std::string err;  // what the child wrote to standard error
};

// run_cmd with a pseudo-terminal as the user's terminal on standard input, registered raw at
// 9600 baud in the framework, and another as the non-blocking serial port.
class RunCmd : public ::testing::Test {
protected:
    PtyPair term;
    PtyPair port;
    std::unique_ptr<Redirect> stdin_is_term;

    void SetUp() override
    {
        ASSERT_TRUE(term.ok() && port.ok());
        // the terminal as it was before the framework took it: cooked, 1200 baud
        struct termios cooked;
        tcgetattr(term.slave, &cooked);
        cooked.c_lflag |= ICANON | ECHO;
        cfsetospeed(&cooked, B1200);
        cfsetispeed(&cooked, B1200);
        ASSERT_EQ(tcsetattr(term.slave, TCSANOW, &cooked), 0);

        stdin_is_term = std::make_unique<Redirect>(STDIN_FILENO, term.slave);
        ASSERT_EQ(term_lib_init(), 0);
        ASSERT_EQ(term_set(STDIN_FILENO, 1, 9600, P_NONE, 8, 1, FC_NONE, 1, 0), 0);
        ASSERT_EQ(term_apply(STDIN_FILENO, 1), 0);
        fcntl(port.slave, F_SETFL, fcntl(port.slave, F_GETFL) | O_NONBLOCK);
    }
    void TearDown() override
    {
        term_erase(STDIN_FILENO);
        stdin_is_term.reset();
    }

    CmdResult run(const std::string &cmd, const std::string &args)
    {
        CmdResult r;
        Capture out(STDOUT_FILENO);
        Capture err(STDERR_FILENO);
        r.status = run_cmd(port.slave, cmd.c_str(), args.c_str());
        r.out = out.text();
        r.err = err.text();
        return r;
    }
};

std::string exit_line(int status) { return "\r\n*** exit status: " + std::to_string(status) + " ***\r\n"; }

} // namespace

TEST_F(RunCmd, ReportsHowTheCommandEnded)
{
    const struct {
        const char *cmd;
        const char *args;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {"sh -c", "'exit 7'", 7, exit_line(7), "$ sh -c 'exit 7'\n"},
        {"true", "", 0, exit_line(0), "$ true \n"},
        {"sh -c 'kill -9 $$'", "", -1, "\r\n*** killed by signal: 9 ***\r\n", "$ sh -c 'kill -9 $$' \n"},
        {"'unclosed", "", 126, exit_line(126), "Cannot parse command\n"},
        {"true", "\"x", 126, exit_line(126), "Cannot parse extra args\n"},
        {"", "", 126, exit_line(126), "No command given\n"},
        {" \t", " ", 126, exit_line(126), "No command given\n"},
        {"/nonexistent/zavrix-cmd", "-x", 126, exit_line(126),
         "$ /nonexistent/zavrix-cmd -x\nexec: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        const CmdResult r = run(c.cmd, c.args);
        EXPECT_EQ(r.status, c.status) << c.cmd;
        EXPECT_EQ(r.out, c.out) << c.cmd;
        EXPECT_EQ(r.err, c.err) << c.cmd;
    }
}

TEST_F(RunCmd, PortIsTheCommandsBlockingInputAndOutput)
{
    // the answer is typed only once the command waits for it
    std::string seen;
    std::thread peer([this, &seen] {
        seen = read_until(port.master, "ready\n");
        write_all(port.master, "hello\n");
        seen += read_until(port.master, "\n");
    });
    const CmdResult r = run("sh -c", "'echo ready; read line; echo \"got:$line\"'");
    peer.join();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(seen, "ready\ngot:hello\n");
}

TEST_F(RunCmd, TerminalSettingsComeBackAfterTheCommand)
{
    // during the command the terminal has its registration-time settings
    const CmdResult r = run(std::string("stty -a -F ") + ttyname(term.slave), "");
    EXPECT_EQ(r.status, 0);
    const std::string shown = read_until(port.master, "icanon");
    EXPECT_NE(shown.find(" icanon"), std::string::npos) << shown;

    struct termios after;
    ASSERT_EQ(tcgetattr(term.slave, &after), 0);
    EXPECT_EQ(after.c_lflag & ICANON, 0u);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
}

TEST_F(RunCmd, CommandGetsDefaultSignalsAndAnOpenMask)
{
    struct sigaction ignore {}, saved_int {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &saved_int);
    const CmdResult by_int = run("sh -c 'kill -INT $$; exit 3'", "");
    const CmdResult by_term = run("sh -c 'kill -TERM $$; exit 3'", "");
    sigaction(SIGINT, &saved_int, nullptr);

    EXPECT_EQ(by_int.status, -1);
    EXPECT_EQ(by_int.out, "\r\n*** killed by signal: 2 ***\r\n");
    EXPECT_EQ(by_term.status, -1);
    EXPECT_EQ(by_term.out, "\r\n*** killed by signal: 15 ***\r\n");

    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGTERM));
}

// With children reaped automatically waitpid fails; that is no exit status to report.
TEST_F(RunCmd, LostChildIsNotASuccess)
{
    struct sigaction ignore {}, saved {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &saved);
    const CmdResult r = run("true", "");
    sigaction(SIGCHLD, &saved, nullptr);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "\r\n*** abnormal termination: 0xffffffff ***\r\n");
}
