#include "fdio.h"
#include "pty_pair.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>

namespace {

struct Pipe {
    int rd = -1, wr = -1;
    Pipe()
    {
        int fds[2];
        if (pipe(fds) == 0) {
            rd = fds[0];
            wr = fds[1];
        }
    }
    ~Pipe()
    {
        if (rd >= 0)
            close(rd);
        if (wr >= 0)
            close(wr);
    }
};

const std::string BS_ERASE = "\b \b";
const std::string HEX_ERASE = "\b\b\b\b    \b\b\b\b";

} // namespace

TEST(Fdio, WritenReportsAShortWriteByItsCount)
{
    Pipe p;
    ASSERT_GE(fcntl(p.wr, F_SETPIPE_SZ, 4096), 4096);
    const int capacity = fcntl(p.wr, F_GETPIPE_SZ);
    fcntl(p.wr, F_SETFL, O_NONBLOCK);
    const std::string big(capacity + 1000, 'z');
    EXPECT_EQ(writen_ni(p.wr, big.data(), big.size()), capacity);
    EXPECT_EQ(writen_ni(-1, "x", 1), 0);
}

TEST(Fdio, PrintfCutsAt255Bytes)
{
    Pipe p;
    const std::string long_text(300, 'a');
    EXPECT_EQ(fd_printf(p.wr, "%s", long_text.c_str()), 255);
    EXPECT_EQ(read_quiet(p.rd, 10), long_text.substr(0, 255));

    EXPECT_EQ(fd_printf(p.wr, "*** baud: %d\r\n", 9600), 16);
    EXPECT_EQ(read_quiet(p.rd, 10), "*** baud: 9600\r\n");
}

TEST(Fdio, ReadlineEditsAndEchoes)
{
    const struct {
        std::string typed;
        int size;
        int result;
        std::string line;
        std::string echo;
    } cases[] = {
        {"9600\r", 9, 4, "9600", "9600"},
        {"ab\x7f" "c\r", 9, 2, "ac", "ab" + BS_ERASE + "c"},
        {"ab\bc\r", 9, 2, "ac", "ab" + BS_ERASE + "c"},
        // bytes that are not printable show as \xNN and are erased as four characters
        {"\x01x\b\b\r", 9, 0, "", "\\x01x" + BS_ERASE + HEX_ERASE},
        {"a\nb\r", 9, 3, "a\nb", "a\\x0ab"},
        // the bell for erasing on an empty line and for typing into a full buffer
        {"\b\r", 9, 0, "", "\a"},
        {"123456789\r", 9, 8, "12345678", "12345678\a"},
        {"12\x7f" "3456789\r", 9, 8, "13456789", "12" + BS_ERASE + "3456789"},
        {"x\r", 1, 0, "", "\a"},
    };
    for (const auto &c : cases) {
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(write_all(pty.master, c.typed));
        char buf[16];
        memset(buf, '#', sizeof(buf));
        EXPECT_EQ(fd_readline(pty.slave, pty.slave, buf, c.size), c.result) << c.typed;
        EXPECT_EQ(std::string(buf), c.line) << c.typed;
        EXPECT_EQ(read_quiet(pty.master), c.echo) << c.typed;
    }
}

TEST(Fdio, ReadlineFailsOnCtrlCAndEndOfInput)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(write_all(pty.master, "12\x03" "34\r"));
    char buf[9];
    errno = 0;
    EXPECT_EQ(fd_readline(pty.slave, pty.slave, buf, sizeof(buf)), -1);
    EXPECT_EQ(errno, EINTR);
    // what follows Ctrl-C is left for the next read
    EXPECT_EQ(fd_readline(pty.slave, pty.slave, buf, sizeof(buf)), 2);
    EXPECT_STREQ(buf, "34");

    Pipe p;
    ASSERT_TRUE(write_all(p.wr, "12"));
    close(p.wr);
    p.wr = -1;
    EXPECT_EQ(fd_readline(p.rd, pty.slave, buf, sizeof(buf)), -1);
}

// A buffer without room for the terminating NUL is refused instead of overrun.
TEST(Fdio, ReadlineRefusesABufferWithoutRoom)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(write_all(pty.master, "\r"));
    char guard = '#';
    errno = 0;
    EXPECT_EQ(fd_readline(pty.slave, pty.slave, &guard, 0), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(guard, '#');
}
