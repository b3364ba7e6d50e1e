#include "fdio.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

ssize_t writen_ni(int fd, const void *buff, size_t n)
{
    const char *p = static_cast<const char *>(buff);
    size_t left = n;
    while (left > 0) {
        const ssize_t w = write(fd, p, left);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            break;
        p += w;
        left -= static_cast<size_t>(w);
    }
    return static_cast<ssize_t>(n - left);
}

int fd_printf(int fd, const char *format, ...)
{
    char buf[256];
    va_list args;
    va_start(args, format);
    const int len = vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    if (len < 0)
        return 0;
    return static_cast<int>(writen_ni(fd, buf, strnlen(buf, sizeof(buf) - 1)));
}

namespace {

const char BELL = 7;

// A printable byte is echoed as itself, any other as the four characters \xNN.
ssize_t cput(int fd, char c) { return write(fd, &c, 1); }

ssize_t cdel(int fd) { return write(fd, "\b \b", 3); }

ssize_t xput(int fd, unsigned char c)
{
    char hex[5];
    snprintf(hex, sizeof(hex), "\\x%02x", c);
    return write(fd, hex, 4);
}

ssize_t xdel(int fd) { return write(fd, "\b\b\b\b    \b\b\b\b", 12); }

bool printable(char c) { return isprint(static_cast<unsigned char>(c)) != 0; }

} // namespace

int fd_readline(int fdi, int fdo, char *b, int bsz)
{
    if (!b || bsz < 1) {  // no room even for the terminating NUL
        errno = EINVAL;
        return -1;
    }
    int len = 0;
    for (;;) {
        char c;
        if (read(fdi, &c, 1) <= 0)
            return -1;
        switch (c) {
        case 3:  // Ctrl-C
            errno = EINTR;
            return -1;
        case 8:
        case 127:
            if (len > 0) {
                --len;
                if (printable(b[len]))
                    cdel(fdo);
                else
                    xdel(fdo);
            } else {
                cput(fdo, BELL);
            }
            break;
        case '\r':
            b[len] = '\0';
            return len;
        default:
            if (len < bsz - 1) {
                b[len++] = c;
                if (printable(c))
                    cput(fdo, c);
                else
                    xput(fdo, static_cast<unsigned char>(c));
            } else {
                cput(fdo, BELL);
            }
        }
    }
}
