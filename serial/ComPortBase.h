// The serial port handle of the application: open while it lives, closed when destroyed.
#ifndef ZAVRIX_COMPORTBASE_H
#define ZAVRIX_COMPORTBASE_H

#include <cstdint>
#include <memory>
#include <string>

class CComPortBaseLinux;

class CComPortBase {
public:
    // Opens the port at once; the handle exists even when that fails.
    CComPortBase(std::string port, int baud);
    virtual ~CComPortBase();
    CComPortBase(const CComPortBase&) = delete;
    CComPortBase& operator=(const CComPortBase&) = delete;

    // Starts the line-settings framework and its restore at exit, and sets the timer slack to
    // its minimum; called once at start-up, before any thread.
    static int ResetAllComPort();

    bool Open();
    bool Close();
    bool IsOpened() const;
    bool IsComError() const;
    std::string GetErrorMsg() const;
    bool Write(std::string command);
    // Appends what has arrived (bytes that came during Write first); never clears the output.
    bool ReadAll(std::string& output);

    bool Read(std::string& output);
    bool SetParam();
    bool ResetRead();
    bool SetReadTotalWaitSeconds(int seconds);
    void HandleErrorMsg();
    void TalkWithCom();

private:
    std::unique_ptr<CComPortBaseLinux> impl;
    int readWaited = 0;
    int readTotalWaitSeconds = 0;
};

// Wall clock in microseconds, and a sleep until an absolute time of that clock.
uint64_t time_usec();
int usleep_until(uint64_t target);

// The pauses of one paced run (a read, a write, an exchange), slept to absolute deadlines on the
// monotonic clock. A pause never ends before its deadline; what one oversleeps (timer slack,
// wake-up) comes off the next, so the run's pauses add up to their design and never to less.
class CPacer {
public:
    void Pause(uint64_t us);

private:
    int64_t lateNs = 0;
};

#endif
