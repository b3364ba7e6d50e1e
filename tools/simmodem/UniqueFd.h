// A file descriptor that is closed when its owner goes.
#ifndef SIMMODEM_UNIQUEFD_H
#define SIMMODEM_UNIQUEFD_H

#include <unistd.h>

namespace simmodem {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd(fd) {}
    ~UniqueFd() { Reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd; }
    bool Valid() const { return fd >= 0; }

    int Release()
    {
        int old = fd;
        fd = -1;
        return old;
    }

    void Reset(int newFd = -1)
    {
        if (fd >= 0) {
            close(fd);
        }
        fd = newFd;
    }

private:
    int fd = -1;
};

} // namespace simmodem

#endif
