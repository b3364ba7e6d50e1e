// Puts another descriptor in place of 0, 1 or 2 for the life of the object, since the terminal
// code talks to the standard descriptors by number.
#ifndef ZAVRIX_TESTS_REDIRECT_H
#define ZAVRIX_TESTS_REDIRECT_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class Redirect {
public:
    Redirect(int target, int replacement) : target_(target), saved_(dup(target))
    {
        fflush(nullptr);
        dup2(replacement, target_);
    }
    ~Redirect()
    {
        fflush(nullptr);
        dup2(saved_, target_);
        close(saved_);
    }
    Redirect(const Redirect &) = delete;
    Redirect &operator=(const Redirect &) = delete;

private:
    int target_;
    int saved_;
};

// Collects what is written to a standard descriptor into a temporary file.
class Capture {
public:
    explicit Capture(int target) : file_(make_file()), redirect_(target, file_) {}
    ~Capture() { close(file_); }

    std::string text() const
    {
        fflush(nullptr);
        std::string out;
        char buf[512];
        ssize_t n;
        for (off_t at = 0; (n = pread(file_, buf, sizeof buf, at)) > 0; at += n)
            out.append(buf, static_cast<size_t>(n));
        return out;
    }

private:
    static int make_file()
    {
        char name[] = "/tmp/zavrix-capture-XXXXXX";
        int fd = mkstemp(name);
        unlink(name);
        return fd;
    }

    int file_;
    Redirect redirect_;
};

#endif
