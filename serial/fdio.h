// Writes and line input on raw file descriptors, for the terminal code.
#ifndef ZAVRIX_FDIO_H
#define ZAVRIX_FDIO_H

#include <sys/types.h>

// Writes all n bytes, retrying on EINTR. Returns the count written: less than n after a failure.
ssize_t writen_ni(int fd, const void *buff, size_t n);

// printf to a descriptor; the text is cut to 255 bytes. Returns what writen_ni returns.
int fd_printf(int fd, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Reads a line typed in raw mode from fdi into b (size bsz, NUL-terminated), echoing and
// editing on fdo, until carriage return. Returns its length, or -1 on end of input, a read
// failure or Ctrl-C (errno EINTR).
int fd_readline(int fdi, int fdo, char *b, int bsz);

#endif
