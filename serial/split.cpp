#include "split.h"

#include <cstdlib>
#include <cstring>

namespace {

// The word being collected; bytes past SPLIT_WORD_MAX are dropped and noted.
struct WordBuf {
    char bytes[SPLIT_WORD_MAX + 1];
    int len = 0;
    int flags = 0;

    void add(char c)
    {
        if (len >= SPLIT_WORD_MAX) {
            flags |= SPLIT_CLIPPED;
            return;
        }
        bytes[len++] = c;
    }
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Stores the finished word, or notes that the table is full. False when the copy fails.
bool store(WordBuf &w, int *argc, char *argv[], int argv_sz)
{
    w.bytes[w.len] = '\0';
    w.len = 0;
    if (*argc >= argv_sz) {
        w.flags |= SPLIT_DROPPED;
        return true;
    }
    char *copy = strdup(w.bytes);
    if (!copy)
        return false;
    argv[(*argc)++] = copy;
    return true;
}

} // namespace

int split_quoted(const char *s, int *argc, char *argv[], int argv_sz)
{
    enum { BETWEEN, IN_WORD, IN_QUOTE } state = BETWEEN;
    WordBuf w;
    char quote = 0;

    for (const char *p = s;; ++p) {
        const char c = *p;
        if (state == IN_QUOTE) {
            if (c == '\0')
                return -1;  // unterminated quote
            if (c == quote) {
                state = IN_WORD;
            } else if (c == '\\' && quote == '"') {
                const char next = p[1];
                if (next == '\0')
                    return -1;
                ++p;
                if (next == '\n')
                    continue;
                if (!strchr("\\\"`$", next))
                    w.add('\\');
                w.add(next);
            } else {
                w.add(c);
            }
            continue;
        }

        if (c == '\0' || is_blank(c)) {
            if (state == IN_WORD && !store(w, argc, argv, argv_sz))
                return -1;
            if (c == '\0')
                break;
            state = BETWEEN;
        } else if (c == '\'' || c == '"') {
            quote = c;
            state = IN_QUOTE;
        } else if (c == '\\') {
            const char next = p[1];
            if (next == '\0')
                return -1;
            ++p;
            if (next == '\n')
                continue;  // line continuation
            w.add(next);
            state = IN_WORD;
        } else {
            w.add(c);
            state = IN_WORD;
        }
    }
    return w.flags;
}
