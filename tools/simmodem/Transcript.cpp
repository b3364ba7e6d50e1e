#include "Transcript.h"

#include <cstdio>

namespace simmodem {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string EscapeBytes(const std::string& bytes)
{
    std::string out;
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}

std::string UnescapeBytes(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || next == '\0') {
            out += text[i];
        } else if (next == '\\' || next == 'r' || next == 'n' || next == 't') {
            out += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatTranscript(const std::vector<TranscriptEntry>& entries)
{
    std::string out;
    for (const TranscriptEntry& entry : entries) {
        const char* kind = !entry.heard ? "unheard" : entry.body ? "body" : "cmd";
        out += std::to_string(entry.baud) + " " + kind + " " + EscapeBytes(entry.text) + "\n";
    }
    return out;
}

} // namespace simmodem
