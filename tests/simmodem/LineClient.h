// The host's side of a simulated modem's line, for the tests: the slave of its pseudo-terminal
// opened raw at a chosen speed, read and written directly.
#ifndef ZAVRIX_TESTS_LINECLIENT_H
#define ZAVRIX_TESTS_LINECLIENT_H

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "UniqueFd.h"

class LineClient {
public:
    using Ms = std::chrono::milliseconds;

    LineClient(const std::string& path, speed_t speed)
        : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        SetSpeed(speed);
    }

    bool Ok() const { return fd.Valid(); }

    void SetSpeed(speed_t speed)
    {
        termios settings{};
        if (tcgetattr(fd.Get(), &settings) == 0) {
            cfmakeraw(&settings);
            cfsetispeed(&settings, speed);
            cfsetospeed(&settings, speed);
            tcsetattr(fd.Get(), TCSANOW, &settings);
        }
    }

    void Write(const std::string& text) { (void)!write(fd.Get(), text.data(), text.size()); }

    // What arrives until `until` stands in it, the line ends, or `timeout` passes.
    std::string ReadUntil(const std::string& until, Ms timeout = Ms(3000))
    {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got.find(until) == std::string::npos && ReadSome(got, deadline)) {
        }
        return got;
    }

    // Everything that arrives within `window`.
    std::string ReadFor(Ms window)
    {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + window;
        while (ReadSome(got, deadline)) {
        }
        return got;
    }

    // The next `count` bytes, or fewer when `timeout` passes or the line ends first.
    std::string ReadBytes(std::size_t count, Ms timeout = Ms(3000))
    {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count && ReadSome(got, deadline)) {
        }
        return got;
    }

    // Writes a command and reads its answer up to the end of its final "OK" or "ERROR" line.
    std::string Exchange(const std::string& command)
    {
        Write(command);
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + Ms(3000);
        while (!Final(got) && ReadSome(got, deadline)) {
        }
        return got;
    }

    // The modem hung up: the line reports its end.
    bool Ended() const { return ended; }

private:
    static bool Final(const std::string& got)
    {
        std::size_t error = got.find("ERROR");
        return got.find("OK\r\n") != std::string::npos ||
               (error != std::string::npos && got.find("\r\n", error) != std::string::npos);
    }

    bool ReadSome(std::string& got, std::chrono::steady_clock::time_point deadline)
    {
        auto left = std::chrono::duration_cast<Ms>(deadline - std::chrono::steady_clock::now()).count();
        pollfd ready = {fd.Get(), POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char buffer[4096];
        ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        ended = n == 0 || (errno != EAGAIN && errno != EINTR);
        return !ended;
    }

    simmodem::UniqueFd fd;
    bool ended = false;
};

#endif
