// Texts for the JSON documents: decoded message bytes that are not UTF-8 must not reach the writer.
#include <gtest/gtest.h>

#include <string>

#include "StringUtil.h"

namespace {

const std::string FFFD = "\xEF\xBF\xBD";

struct Case {
    const char* what;
    std::string in;
    std::string out;
};

} // namespace

TEST(ToValidUtf8, EachIllFormedPieceBecomesOneReplacementCharacter)
{
    const Case cases[] = {
        {"ASCII", "plain 123", "plain 123"},
        {"NUL is a character", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"two to four bytes", "é中😀", "é中😀"},
        {"last of the range", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"lone continuation bytes", "a\x80\xBF" "b", "a" + FFFD + FFFD + "b"},
        {"sequence cut by the end", "a\xE4\xB8", "a" + FFFD},
        {"sequence cut by ASCII, which stays", "\xE4\xB8x", FFFD + "x"},
        {"sequence cut by a new lead", "\xE4\xE4\xB8\xAD", FFFD + "中"},
        {"overlong two bytes", "\xC0\x80", FFFD + FFFD},
        {"overlong three bytes", "\xE0\x80\x80", FFFD + FFFD + FFFD},
        {"surrogate", "\xED\xA0\x80", FFFD + FFFD + FFFD},
        {"above U+10FFFF", "\xF4\x90\x80\x80", FFFD + FFFD + FFFD + FFFD},
        {"bytes that start nothing", "\xF5\xFF", FFFD + FFFD},
        {"Latin-1 text", "caf\xE9!", "caf" + FFFD + "!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, ToValidUtf8(c.in)) << c.what;
    }
}
