#include "split.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A word table that frees its copies.
struct Words {
    static const int CAP = 8;
    char *argv[CAP] = {};
    int argc = 0;

    ~Words()
    {
        for (int i = 0; i < argc; ++i)
            free(argv[i]);
    }
    int split(const std::string &s, int cap = CAP) { return split_quoted(s.c_str(), &argc, argv, cap); }
    std::vector<std::string> list() const { return std::vector<std::string>(argv, argv + argc); }
};

struct SplitCase {
    const char *text;
    std::vector<std::string> words;
};

} // namespace

TEST(SplitQuoted, SplitsLikeAShell)
{
    const SplitCase cases[] = {
        {"one \"two three\" 'four five'six", {"one", "two three", "four fivesix"}},
        {"", {}},
        {" \t\n  ", {}},
        {"\"\"", {""}},
        {"'' x", {"", "x"}},
        {"a\"b c\"d", {"ab cd"}},
        // backslashes outside quotes take the next byte literally
        {"a\\ b \\\"q", {"a b", "\"q"}},
        {"\\n", {"n"}},
        // backslash + line feed is a line continuation, between and inside words
        {"ab\\\ncd", {"abcd"}},
        {" \\\n x", {"x"}},
        {"\"a\\\nb\"", {"ab"}},
        // inside double quotes only \\ \" \` \$ lose their backslash
        {"\"a\\nb\"", {"a\\nb"}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"\"\\\\\\`\\$\"", {"\\`$"}},
        // inside single quotes a backslash is an ordinary byte
        {"'a\\b' 'c\\'", {"a\\b", "c\\"}},
        {"'say \"hi\"'", {"say \"hi\""}},
    };
    for (const SplitCase &c : cases) {
        Words w;
        EXPECT_EQ(w.split(c.text), 0) << c.text;
        EXPECT_EQ(w.list(), c.words) << c.text;
    }
}

TEST(SplitQuoted, SyntaxErrorsKeepEarlierWords)
{
    const struct {
        const char *text;
        std::vector<std::string> stored;
    } cases[] = {
        {"abc\\", {}},
        {"\\", {}},
        {"\"abc", {}},
        {"'abc", {}},
        {"\"ab\\", {}},
        {"one two \"three", {"one", "two"}},
        {"one 'two' x\\", {"one", "two"}},
    };
    for (const auto &c : cases) {
        Words w;
        EXPECT_EQ(w.split(c.text), -1) << c.text;
        EXPECT_EQ(w.list(), c.stored) << c.text;
    }
}

TEST(SplitQuoted, FullTableDropsLaterWords)
{
    Words w;
    EXPECT_EQ(w.split("a b c d", 2), SPLIT_DROPPED);
    EXPECT_EQ(w.list(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(w.split("e", 2), SPLIT_DROPPED);
    EXPECT_EQ(w.argc, 2);
}

TEST(SplitQuoted, LongWordIsCutTo511Bytes)
{
    const std::string long_word(600, 'x');
    Words w;
    EXPECT_EQ(w.split(long_word + " y"), SPLIT_CLIPPED);
    ASSERT_EQ(w.argc, 2);
    EXPECT_EQ(std::string(w.argv[0]), long_word.substr(0, 511));
    EXPECT_EQ(std::string(w.argv[1]), "y");

    Words quoted;
    EXPECT_EQ(quoted.split("\"" + std::string(511, 'q') + "\""), 0);
    EXPECT_EQ(std::string(quoted.argv[0]).size(), 511u);

    Words both;
    EXPECT_EQ(both.split(long_word + " b c", 2), SPLIT_DROPPED | SPLIT_CLIPPED);
}

TEST(SplitQuoted, AppendsAfterTheCallersCount)
{
    Words w;
    EXPECT_EQ(w.split("sz -vv"), 0);
    EXPECT_EQ(w.split("'my file'"), 0);
    EXPECT_EQ(w.list(), (std::vector<std::string>{"sz", "-vv", "my file"}));
}
