#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "CColorCout.h"

namespace {

// Captures what std::cout receives while it lives.
class CoutCapture {
public:
    CoutCapture() : saved(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(saved); }
    std::string Text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* saved;
};

} // namespace

TEST(CColorCout, WrapsTheMessageInColourAndResetWithoutLineEnd)
{
    CoutCapture capture;
    CColorCout::CoutRedMessage("失败");
    CColorCout::CoutGreenMessage("");
    EXPECT_EQ(capture.Text(), "\x1b[1m\x1b[31m失败\x1b[0m\x1b[1m\x1b[32m\x1b[0m");
}

TEST(CColorCout, ClearsAStreamErrorSoLaterOutputStillAppears)
{
    CoutCapture capture;
    std::cout.setstate(std::ios::failbit);
    CColorCout::CoutRedMessage("x");
    EXPECT_TRUE(std::cout.good());
    std::cout << "after";
    EXPECT_EQ(capture.Text(), "after");
}
