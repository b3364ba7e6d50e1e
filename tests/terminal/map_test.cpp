#include "ComPortBaseLinux.h"
#include "redirect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string mapped(int map, char c)
{
    char b[2] = {'#', '#'};
    int n = do_map(b, map, c);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, 2);
    return std::string(b, static_cast<size_t>(n));
}

} // namespace

TEST(TermMap, DoMap)
{
    const struct {
        int map;
        char in;
        std::string out;
    } cases[] = {
        {0, '\r', "\r"},
        {M_CRLF, '\r', "\n"},
        {M_CRLF | M_CRCRLF, '\r', "\n"},  // the first matching rule wins
        {M_CRCRLF, '\r', "\r\n"},
        {M_CRCRLF | M_IGNCR, '\r', "\r\n"},
        {M_IGNCR, '\r', ""},
        {0, '\n', "\n"},
        {M_LFCR, '\n', "\r"},
        {M_LFCR | M_LFCRLF | M_IGNLF, '\n', "\r"},
        {M_LFCRLF, '\n', "\r\n"},
        {M_IGNLF, '\n', ""},
        {M_BSDEL, '\b', "\x7f"},
        {M_DELBS, '\x7f', "\b"},
        {M_DELBS, '\b', "\b"},
        {M_BSDEL, '\x7f', "\x7f"},
        // CR and LF rules leave each other's byte alone
        {M_CRLF | M_IGNCR, '\n', "\n"},
        {M_LFCR | M_IGNLF, '\r', "\r"},
        {0xff, 'a', "a"},
        {0xff, '\0', std::string(1, '\0')},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mapped(c.map, c.in), c.out) << "map " << c.map << " byte " << int(c.in);
}

TEST(TermMap, ParseMap)
{
    const struct {
        const char *text;
        int flags;
    } cases[] = {
        {"crlf,delbs", 0x41},
        {"", 0},
        {" , \t", 0},
        {"crlf crcrlf\tigncr,lfcr,,lfcrlf ignlf delbs bsdel", 0xff},
        {"crlf,crlf", M_CRLF},
        {"crlf,nosuch,delbs", -1},
        {"crlf,delbs,CRLF", -1},
        {"crl", -1},
        {"crlfx", -1},
    };
    for (const auto &c : cases) {
        std::vector<char> text(c.text, c.text + strlen(c.text) + 1);
        EXPECT_EQ(parse_map(text.data()), c.flags) << c.text;
    }
}

TEST(TermMap, PrintMapListsSetBitsInTableOrder)
{
    const struct {
        int flags;
        const char *text;
    } cases[] = {
        {0x41, "crlf,delbs,\n"},
        {0, "\n"},
        {0x42, "crcrlf,delbs,\n"},
        {0xff, "crlf,crcrlf,igncr,lfcr,lfcrlf,ignlf,delbs,bsdel,\n"},
    };
    for (const auto &c : cases) {
        Capture out(STDOUT_FILENO);
        print_map(c.flags);
        EXPECT_EQ(out.text(), c.text) << c.flags;
    }
}

TEST(TermSettings, CyclingFunctions)
{
    const struct {
        int (*next)(int);
        const char *name;
        std::vector<std::pair<int, int>> steps;
    } cases[] = {
        {baud_up, "baud_up", {{9600, 19200}, {57600, 115200}, {115200, 115200}, {100, 110}, {0, 50}}},
        {baud_down, "baud_down", {{9600, 4800}, {50, 50}, {0, 0}, {100, 75}, {230400, 115200}}},
        {flow_next, "flow_next", {{0, 1}, {1, 2}, {2, 0}, {3, 0}, {-1, 0}}},
        {parity_next, "parity_next", {{0, 1}, {1, 2}, {2, 0}, {3, 0}, {4, 0}}},
        {bits_next, "bits_next", {{5, 6}, {7, 8}, {8, 5}, {9, 5}}},
        {stopbits_next, "stopbits_next", {{1, 2}, {2, 1}, {3, 1}}},
    };
    for (const auto &c : cases)
        for (const auto &step : c.steps)
            EXPECT_EQ(c.next(step.first), step.second) << c.name << "(" << step.first << ")";
}
