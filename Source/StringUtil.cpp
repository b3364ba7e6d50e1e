#include "StringUtil.h"

#include <cstdio>
#include <ctime>

std::vector<std::string> SplitStringToArray(std::string text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    std::string::size_type end;
    // The piece after the last "\n" has not been completed by the modem yet: drop it.
    while ((end = text.find('\n', start)) != std::string::npos) {
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitStringByChar(std::string text, char separator)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    std::string::size_type end;
    while ((end = text.find(separator, start)) != std::string::npos) {
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        fields.push_back(text.substr(start));
    }
    return fields;
}

std::string StringReplaceChar(std::string text, char from, char to)
{
    for (char& c : text) {
        if (c == from) {
            c = to;
        }
    }
    return text;
}

std::string TrimChar(std::string text, char c)
{
    if (text.size() <= 2) {
        return text;
    }
    if (text.front() == c) {
        text.erase(0, 1);
    }
    if (!text.empty() && text.back() == c) {
        text.pop_back();
    }
    return text;
}

std::string TrimAllChar(std::string text, char c)
{
    const int maxApplications = 101;
    std::string result = TrimChar(text, c);
    for (int i = 1; i < maxApplications && result != text; ++i) {
        text = result;
        result = TrimChar(text, c);
    }
    return result;
}

std::string GetCurTimeStr()
{
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char buffer[32] = {0};
    int written = snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    // Only a year past 9999 would not fit; the text is cut then, never overrun.
    return written < 0 ? std::string() : std::string(buffer);
}
