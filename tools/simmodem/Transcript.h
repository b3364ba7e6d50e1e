// What a simulated modem received, unit by unit, and the escaped text form of its files.
#ifndef SIMMODEM_TRANSCRIPT_H
#define SIMMODEM_TRANSCRIPT_H

#include <string>
#include <vector>

namespace simmodem {

struct TranscriptEntry {
    std::string text; // the bytes as received, CR and a following LF included
    int baud = 0;     // the line speed the host had set when the unit arrived
    bool heard = false; // the modem listened at that speed (and answered, faults aside)
    bool body = false;  // a message body after the ">" prompt
};

// Printable ASCII stays, backslash and the rest become \\, \r, \n, \t or \xHH.
std::string EscapeBytes(const std::string& bytes);

// The inverse of EscapeBytes; a backslash that starts no known escape stands for itself.
std::string UnescapeBytes(const std::string& text);

// One line per entry: the speed, "cmd", "body" or "unheard", and the escaped text.
std::string FormatTranscript(const std::vector<TranscriptEntry>& entries);

} // namespace simmodem

#endif
