// One simulated modem on the master side of a pseudo-terminal, served by its own thread. The host
// talks to it through the slave side, which the modem also holds open to read the line speed the
// host set and so that the line survives the host closing and reopening it.
#ifndef SIMMODEM_MODEM_H
#define SIMMODEM_MODEM_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AtDialogue.h"
#include "ModemConfig.h"
#include "Transcript.h"
#include "UniqueFd.h"

namespace simmodem {

// Puts the calling thread, which plays a modem, at a real-time priority where the system allows it.
void ServeAtRealTimePriority();

class Modem {
public:
    // Opens the pseudo-terminal and starts serving; null with `error` set when that fails.
    static std::unique_ptr<Modem> Start(const ModemConfig& config, std::string& error);
    ~Modem();

    Modem(const Modem&) = delete;
    Modem& operator=(const Modem&) = delete;

    // The slave side, such as "/dev/pts/3".
    const std::string& SlavePath() const { return slavePath; }
    const ModemConfig& Config() const { return config; }

    std::vector<TranscriptEntry> Transcript() const;
    // The texts of the units it heard, in order.
    std::vector<std::string> Heard() const;
    // Waits until some entry satisfies `match`; false when `timeout` passes first.
    bool WaitFor(const std::function<bool(const TranscriptEntry&)>& match, std::chrono::milliseconds timeout) const;
    // Waits for a heard unit whose text begins with `prefix`.
    bool WaitForHeard(const std::string& prefix, std::chrono::milliseconds timeout) const;

    // Waits until the modem has had nothing to do for `quiet`, counted from `since` at the
    // earliest, so that what a finished command wrote last is in the transcript; false when
    // `timeout` passes first.
    bool WaitIdle(std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now(),
                  std::chrono::milliseconds quiet = std::chrono::milliseconds(30),
                  std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) const;

    // Bytes taken in from the line so far, answered or not.
    std::size_t BytesTakenIn() const { return bytesTakenIn; }

    void AddFault(const Fault& fault);
    // The modem closed its side of the line (a hang-up fault).
    bool HungUp() const { return hungUp; }

private:
    // How the answer to one unit goes out, from the faults that match it.
    struct Delivery {
        bool silent = false;
        bool replaced = false;
        std::string replacement;
        int delayMs = 0;
        std::size_t pieceBytes = 0;
        int pieceMs = 0;
        bool hangUp = false;
        std::size_t hangUpAfter = 0;
    };

    // Bytes as they came in, with the line speed the host had set then.
    struct Arrival {
        std::string bytes;
        int rate = 0;
    };

    explicit Modem(const ModemConfig& config);
    bool Open(std::string& error);
    void Serve();
    bool TakeIn();
    void HandleArrivals();
    void Take(char c, int rate);
    void Answer(const Received& unit, int rate);
    void Record(TranscriptEntry entry);
    void AppendToLast(char c, int rate);
    Delivery TakeFaults(const Received& unit);
    void Deliver(const std::string& answer, const Delivery& delivery);
    bool WriteAll(const std::string& data);
    bool Pause(int ms, bool takeIn = true);
    int LineRate() const;
    bool Hears(int rate) const;
    std::string Garbage(std::size_t bytes);
    void HangUpLine();

    const ModemConfig config;
    AtDialogue dialogue;
    UniqueFd master;
    UniqueFd slave;
    UniqueFd wakeRead;
    UniqueFd wakeWrite;
    std::string slavePath;
    std::uint32_t noise = 0x2545F491u;
    std::atomic<bool> hungUp{false};
    std::atomic<bool> busy{false};
    std::atomic<std::size_t> bytesTakenIn{0};
    std::deque<Arrival> arrivals; // the serving thread's own
    std::atomic<std::chrono::steady_clock::rep> lastActivity{0};

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<TranscriptEntry> transcript;
    std::vector<Fault> faults;

    std::thread thread; // last, so that it starts after everything it uses
};

} // namespace simmodem

#endif
