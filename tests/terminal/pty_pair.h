// A raw pseudo-terminal pair for driving the terminal code from a test.
#ifndef ZAVRIX_TESTS_PTY_PAIR_H
#define ZAVRIX_TESTS_PTY_PAIR_H

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

struct PtyPair {
    int master = -1;
    int slave = -1;

    PtyPair()
    {
        struct termios raw;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
    }
    ~PtyPair()
    {
        if (master >= 0)
            close(master);
        if (slave >= 0)
            close(slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return master >= 0 && slave >= 0; }
};

inline bool write_all(int fd, const std::string &s)
{
    return write(fd, s.data(), s.size()) == static_cast<ssize_t>(s.size());
}

// Everything readable on fd until it stays quiet for quiet_ms.
inline std::string read_quiet(int fd, int quiet_ms = 50)
{
    std::string out;
    struct pollfd p = {fd, POLLIN, 0};
    while (poll(&p, 1, quiet_ms) > 0 && (p.revents & POLLIN)) {
        char buf[512];
        const ssize_t n = read(fd, buf, sizeof(buf));
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

// Reads from fd until it has seen `want` or the deadline passes; returns what it read.
// The deadline only keeps a broken test from hanging.
inline std::string read_until(int fd, const std::string &want, int timeout_ms = 20000)
{
    std::string out;
    struct pollfd p = {fd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.find(want) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = read(fd, buf, sizeof(buf));
            if (n <= 0)
                break;
            out.append(buf, static_cast<size_t>(n));
        }
    }
    return out;
}

#endif
