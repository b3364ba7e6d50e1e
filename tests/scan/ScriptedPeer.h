// Test support: the far end of a pseudo-terminal, played by a thread that cuts what the port
// writes into units (up to a CR or a Ctrl-Z) and answers each one as the test's script says.
#ifndef ZAVRIX_TESTS_SCAN_SCRIPTEDPEER_H
#define ZAVRIX_TESTS_SCAN_SCRIPTEDPEER_H

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Modem.h"

class ScriptedPeer {
public:
    struct Piece {
        int delayMs;
        std::string bytes;
    };
    // Runs on the peer's thread, so it may block to hold an answer back.
    using Script = std::function<std::vector<Piece>(const std::string& unit)>;

    explicit ScriptedPeer(Script script) : script(std::move(script))
    {
        char name[256] = "";
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            return;
        }
        path = name;
        // Raw from the start, so nothing is echoed before the port configures the line.
        struct termios tio {};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        thread = std::thread([this] { Serve(); });
    }
    ~ScriptedPeer()
    {
        stop = true;
        if (thread.joinable()) thread.join();
        if (master >= 0) close(master);
        if (slave >= 0) close(slave);
    }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool ok() const { return thread.joinable(); }
    const std::string& Path() const { return path; }

    std::vector<std::string> Heard() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return heard;
    }
    // Waits until `count` units have been heard and answered.
    bool WaitAnswered(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return answered >= count; });
    }

private:
    void Serve()
    {
        simmodem::ServeAtRealTimePriority();
        std::string pending;
        while (!stop) {
            struct pollfd p {master, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            char block[256];
            ssize_t n = read(master, block, sizeof block);
            if (n <= 0) continue;
            for (ssize_t i = 0; i < n; i++) {
                char c = block[i];
                if (pending.empty() && c == '\n') continue; // the LF after a command's CR
                pending += c;
                if (c == '\r' || c == '\x1a') {
                    Answer(pending);
                    pending.clear();
                }
            }
        }
    }

    void Answer(const std::string& unit)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            heard.push_back(unit);
        }
        for (const Piece& piece : script(unit)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
            (void)!write(master, piece.bytes.data(), piece.bytes.size());
        }
        std::lock_guard<std::mutex> lock(mutex);
        answered++;
        changed.notify_all();
    }

    Script script;
    int master = -1;
    int slave = -1;
    std::string path;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<std::string> heard;
    size_t answered = 0;
    std::thread thread; // last: starts after everything it uses
};

#endif
