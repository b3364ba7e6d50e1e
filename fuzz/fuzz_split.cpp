// Command lines of any bytes through the word splitter: no word longer than the cut, no word past
// the table, every word terminated.
#include <cstdlib>
#include <cstring>
#include <string>

#include "split.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size); // stops at the first zero byte
    const int capacity = 8;
    char* words[capacity + 1] = {nullptr};
    int count = 0;
    split_quoted(line.c_str(), &count, words, capacity);
    if (count < 0 || count > capacity || words[capacity] != nullptr) {
        abort();
    }
    for (int i = 0; i < count; i++) {
        if (words[i] == nullptr || strlen(words[i]) > static_cast<size_t>(SPLIT_WORD_MAX)) {
            abort();
        }
        free(words[i]);
    }
    return 0;
}
