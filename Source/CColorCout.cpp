#include "CColorCout.h"

#include <iostream>

namespace {

void CoutColored(const char* colour, const std::string& message)
{
    std::cout << colour << message << "\x1b[0m";
    // A failed write must not silence the console output that follows.
    std::cout.clear();
}

} // namespace

void CColorCout::CoutRedMessage(const std::string& message)
{
    CoutColored("\x1b[1m\x1b[31m", message);
}

void CColorCout::CoutGreenMessage(const std::string& message)
{
    CoutColored("\x1b[1m\x1b[32m", message);
}
