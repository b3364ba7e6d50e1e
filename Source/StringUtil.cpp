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

namespace {

// Where a byte sequence starting with `lead` may continue: its length after the lead and the
// range of its second byte; 0 for a byte that starts no sequence.
std::size_t Utf8Continuation(unsigned char lead, unsigned char& low, unsigned char& high)
{
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
        return 3;
    }
    return 0;
}

} // namespace

std::string ToValidUtf8(const std::string& text)
{
    static const char REPLACEMENT[] = "\xEF\xBF\xBD";
    std::string valid;
    valid.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            valid += text[i++];
            continue;
        }
        unsigned char low = 0;
        unsigned char high = 0;
        const std::size_t need = Utf8Continuation(lead, low, high);
        // The longest start of a well-formed sequence counts as one ill-formed piece.
        std::size_t taken = 1;
        while (taken <= need && i + taken < text.size()) {
            const unsigned char next = static_cast<unsigned char>(text[i + taken]);
            if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF)) {
                break;
            }
            ++taken;
        }
        if (need > 0 && taken == need + 1) {
            valid.append(text, i, taken);
        } else {
            valid += REPLACEMENT;
        }
        i += taken;
    }
    return valid;
}
