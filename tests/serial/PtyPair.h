// Test support: a pseudo-terminal pair and small helpers around it.
#ifndef ZAVRIX_TESTS_SERIAL_PTYPAIR_H
#define ZAVRIX_TESTS_SERIAL_PTYPAIR_H

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "term.h"

// The slave stays open for the whole life of the pair, so its attributes can be read back
// after the code under test has closed its own descriptor.
struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string path;

    PtyPair()
    {
        char name[256] = "";
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = name;
            fcntl(master, F_SETFL, O_NONBLOCK);
        }
    }
    ~PtyPair()
    {
        if (master >= 0) close(master);
        if (slave >= 0) close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master >= 0 && slave >= 0; }

    struct termios attrs() const
    {
        struct termios tio {};
        tcgetattr(slave, &tio);
        return tio;
    }

    speed_t speed() const
    {
        struct termios tio = attrs();
        return cfgetospeed(&tio);
    }

    void send(const std::string& bytes) const
    {
        ssize_t n = write(master, bytes.data(), bytes.size());
        (void)n;
    }

    // What the port side has written, until `want` bytes arrived or the line stayed quiet
    // for `quietMs`.
    std::string receive(size_t want, int quietMs = 2000) const
    {
        std::string got;
        char block[4096];
        while (got.size() < want) {
            struct pollfd p {master, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) break;
            ssize_t n = read(master, block, sizeof block);
            if (n <= 0) break;
            got.append(block, static_cast<size_t>(n));
        }
        return got;
    }
};

inline bool SameLineSettings(const struct termios& a, const struct termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag
           && a.c_lflag == b.c_lflag && cfgetospeed(&a) == cfgetospeed(&b)
           && a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

struct ChildResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program in a fresh process and collects its exit code and both output streams.
inline ChildResult RunChild(const std::vector<std::string>& argv)
{
    ChildResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0) return result;
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    struct pollfd p[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && poll(p, 2, 10000) > 0) {
        for (int i = 0; i < 2; i++) {
            if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP))) continue;
            char block[512];
            ssize_t n = read(p[i].fd, block, sizeof block);
            if (n > 0) {
                sinks[i]->append(block, static_cast<size_t>(n));
            } else {
                close(p[i].fd);
                p[i].fd = -1;
                open--;
            }
        }
    }
    for (auto& q : p) {
        if (q.fd >= 0) close(q.fd);
    }
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

// Tests of the line-settings framework and what is built on it: a fresh framework for each test,
// and pseudo-terminals owned by the fixture so that they are still open when a later start
// restores and frees whatever a test left registered.
class FrameworkPtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(term_lib_init(), 0); }
    void TearDown() override { term_lib_init(); }

    PtyPair& NewPty()
    {
        ptys.push_back(std::make_unique<PtyPair>());
        EXPECT_TRUE(ptys.back()->ok());
        return *ptys.back();
    }

    std::vector<std::unique_ptr<PtyPair>> ptys;
};

#endif
