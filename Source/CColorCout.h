// Coloured console messages: bold red for failures, bold green for successes.
#ifndef ZAVRIX_CCOLORCOUT_H
#define ZAVRIX_CCOLORCOUT_H

#include <string>

class CColorCout {
public:
    // Neither adds a line end nor flushes; both clear the stream's error state afterwards.
    static void CoutRedMessage(const std::string& message);
    static void CoutGreenMessage(const std::string& message);
};

#endif
