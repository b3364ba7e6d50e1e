// Splitting and trimming of modem answers and user input; all byte-wise.
#ifndef ZAVRIX_STRINGUTIL_H
#define ZAVRIX_STRINGUTIL_H

#include <string>
#include <vector>

// The complete lines of a text, split at "\n": empty pieces and an unterminated last piece are
// dropped, a "\r" before the "\n" is kept.
std::vector<std::string> SplitStringToArray(std::string text);

// Fields between separators; empty fields are kept except after a final separator.
std::vector<std::string> SplitStringByChar(std::string text, char separator);

std::string StringReplaceChar(std::string text, char from, char to);

// Removes at most one copy of c from each end; texts of 2 bytes or fewer are left as they are.
std::string TrimChar(std::string text, char c);

// TrimChar repeated while it changes the text, 101 applications at most.
std::string TrimAllChar(std::string text, char c);

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD, so that JSON strings stay valid.
std::string ToValidUtf8(const std::string& text);

// Local time now as "YYYY-MM-DD hh:mm:ss".
std::string GetCurTimeStr();

#endif
