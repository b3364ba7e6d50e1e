// Shell-like splitting of a command line into words, for the terminal's external commands.
#ifndef ZAVRIX_SPLIT_H
#define ZAVRIX_SPLIT_H

// Bits of split_quoted's result.
enum {
    SPLIT_DROPPED = 0x1,  // the table was full, later words were dropped
    SPLIT_CLIPPED = 0x2,  // a word was longer than SPLIT_WORD_MAX and was cut
};

const int SPLIT_WORD_MAX = 511;

// Appends the words of s to argv[*argc...] (capacity argv_sz), each a malloc'd copy the
// caller frees. Returns -1 on a syntax error or a failed copy (words stored before stay),
// else the SPLIT_* bits.
int split_quoted(const char *s, int *argc, char *argv[], int argv_sz);

#endif
