#include "ComPortBaseLinux.h"
#include "pty_pair.h"
#include "redirect.h"
#include "term.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char KEYS_CTRL_A[] =
    "\r\n"
    "*** Tervane commands (all prefixed by [C-a])\r\n"
    "\r\n"
    "*** [C-x] : Exit tervane\r\n"
    "*** [C-q] : Exit without reseting serial port\r\n"
    "*** [C-b] : Set baudrate\r\n"
    "*** [C-u] : Increase baudrate (baud-up)\r\n"
    "*** [C-d] : Decrease baudrate (baud-down)\r\n"
    "*** [C-i] : Change number of databits\r\n"
    "*** [C-j] : Change number of stopbits\r\n"
    "*** [C-f] : Change flow-control mode\r\n"
    "*** [C-y] : Change parity mode\r\n"
    "*** [C-p] : Pulse DTR\r\n"
    "*** [C-t] : Toggle DTR\r\n"
    "*** [C-|] : Send break\r\n"
    "*** [C-c] : Toggle local echo\r\n"
    "*** [C-s] : Send file\r\n"
    "*** [C-r] : Receive file\r\n"
    "*** [C-v] : Show port settings\r\n"
    "*** [C-h] : Show this message\r\n"
    "\r\n";

const char USAGE_TAIL[] =
    " [options] <tty device>\n"
    "Options are:\n"
    "  --<b>aud <baudrate>\n"
    "  --<f>low x (=soft,xon/xoff) | h (=hard) | n (=none)\n"
    "  --parit<y> o (=odd) | e (=even) | n (=none)\n"
    "  --<d>atabits 5 | 6 | 7 | 8\n"
    "  --sto<p>bits 1 | 2\n"
    "  --<e>scape <char>\n"
    "  --e<c>ho\n"
    "  --no<i>nit\n"
    "  --no<r>eset\n"
    "  --no<l>ock\n"
    "  --<s>end-cmd <command>\n"
    "  --recei<v>e-cmd <command>\n"
    "  --imap <map> (input mappings)\n"
    "  --omap <map> (output mappings)\n"
    "  --emap <map> (local-echo mappings)\n"
    "  --<h>elp\n"
    "<map> is a comma-separated list of one or more of:\n"
    "  crlf : map CR --> LF\n"
    "  crcrlf : map CR --> CR + LF\n"
    "  igncr : ignore CR\n"
    "  lfcr : map LF --> CR\n"
    "  lfcrlf : map LF --> CR + LF\n"
    "  ignlf : ignore LF\n"
    "  bsdel : map BS --> DEL\n"
    "  delbs : map DEL --> BS\n"
    "<?> indicates the equivalent short option.\n"
    "Short options are prefixed by \"-\" instead of by \"--\".\n";

const char BAUD_PROMPT[] = "\r\n*** baud: ";
const char INVALID[] = "*** Invalid baudrate!";

// read_baud with the given keys typed; its result and what it showed.
int typed_baud(const std::string &keys, std::string &shown)
{
    PtyPair kbd;
    EXPECT_TRUE(kbd.ok());
    EXPECT_TRUE(write_all(kbd.master, keys));
    int baud;
    {
        Redirect in(STDIN_FILENO, kbd.slave);
        Capture out(STDOUT_FILENO);
        baud = read_baud();
        shown = out.text();
    }
    return baud;
}

} // namespace

TEST(TermTexts, ShowKeysNamesTheEscapeKey)
{
    const unsigned char saved = opts.escape;
    {
        Capture out(STDOUT_FILENO);
        show_keys();
        EXPECT_EQ(out.text(), KEYS_CTRL_A);
    }
    opts.escape = 0x14;  // Ctrl-T
    {
        Capture out(STDOUT_FILENO);
        show_keys();
        EXPECT_NE(out.text().find("(all prefixed by [C-t])\r\n"), std::string::npos);
    }
    opts.escape = saved;
}

TEST(TermTexts, ShowUsageNamesTheProgramWithoutItsDirectory)
{
    const struct {
        const char *path;
        const char *name;
    } cases[] = {
        {"/usr/local/bin/prog", "prog"},
        {"./prog", "prog"},
        {"prog", "prog"},
        {"dir/", ""},
    };
    for (const auto &c : cases) {
        Capture out(STDOUT_FILENO);
        show_usage(c.path);
        EXPECT_EQ(out.text(), std::string("\nCompiled-in options:\n  TTY_Q_SZ is 256\n\nUsage is: ") +
                                  c.name + USAGE_TAIL)
            << c.path;
    }
}

TEST(TermTexts, ReadBaudAcceptsOnlyTableSpeeds)
{
    const struct {
        const char *keys;
        int baud;
        int rejected;
    } cases[] = {
        {"9600\r", 9600, 0},
        {"0x2580\r", 9600, 0},
        {"011300\r", 4800, 0},  // octal
        {"115200\r", 115200, 0},
        {"0\r1234\r9600x\r\r-9600\r230400\r50\r", 50, 6},
        {"115200000\x7f\x7f\r", 115200, 0},  // a ninth digit is dropped with the bell
        {"1152000000\r\x03", -1, 1},
    };
    for (const auto &c : cases) {
        std::string shown;
        EXPECT_EQ(typed_baud(c.keys, shown), c.baud) << c.keys;
        size_t rejected = 0;
        for (size_t at = shown.find(INVALID); at != std::string::npos; at = shown.find(INVALID, at + 1))
            ++rejected;
        EXPECT_EQ(rejected, static_cast<size_t>(c.rejected)) << c.keys;
    }
}

TEST(TermTexts, ReadBaudShowsPromptAndEcho)
{
    std::string shown;
    EXPECT_EQ(typed_baud("1x\b\r19200\r", shown), 19200);
    EXPECT_EQ(shown, std::string(BAUD_PROMPT) + "1x\b \b\r\n" + INVALID + BAUD_PROMPT + "19200\r\n");
}

TEST(TermTexts, ReadBaudGivesUpOnCtrlCOrEndOfInput)
{
    std::string shown;
    EXPECT_EQ(typed_baud("96\x03", shown), -1);
    EXPECT_EQ(shown, std::string(BAUD_PROMPT) + "96\r\n");

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[1]);
    {
        Redirect in(STDIN_FILENO, fds[0]);
        Capture out(STDOUT_FILENO);
        EXPECT_EQ(read_baud(), -1);
    }
    close(fds[0]);
}
