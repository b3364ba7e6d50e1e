// What a call writes to std::cout, taken from the stream's buffer for the time of the call.
#ifndef ZAVRIX_TESTS_SUPPORT_CAPTURESTDOUT_H
#define ZAVRIX_TESTS_SUPPORT_CAPTURESTDOUT_H

#include <iostream>
#include <sstream>
#include <string>

template <typename Call>
std::string CaptureStdout(Call call)
{
    std::ostringstream captured;
    std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
    call();
    std::cout.rdbuf(saved);
    return captured.str();
}

#endif
