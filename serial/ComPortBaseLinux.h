// One serial device on Linux: opened non-blocking and raw, written and read in short polling
// cycles, closed without dropping the modem's control lines. Moves bytes, never reads them.
#ifndef ZAVRIX_COMPORTBASELINUX_H
#define ZAVRIX_COMPORTBASELINUX_H

#include <string>

// Write chunk size of the last successful configuration (speed / 10, at least 8).
extern int tty_write_sz;

class CComPortBaseLinux {
public:
    CComPortBaseLinux(std::string port, int baud);
    virtual ~CComPortBaseLinux();
    CComPortBaseLinux(const CComPortBaseLinux&) = delete;
    CComPortBaseLinux& operator=(const CComPortBaseLinux&) = delete;

    static int ResetAllComPort();

    bool Open();
    bool SetParam();
    bool Close();
    bool IsOpened() const;
    bool IsComError() const;
    std::string GetErrorMsg() const;
    void HandleError();

    bool Write(std::string command);
    bool Read(std::string& output);
    bool ReadAll(std::string& output);

private:
    enum class Wait { Failed, Interrupted, Ready };
    struct Readiness {
        bool readable = false;
        bool writable = false;
        bool exceptional = false;
    };

    Wait WaitReady(bool wantWrite, long long& budgetUs, Readiness& ready) const;
    // Reads up to one block into output; false on end of file or a read error.
    bool ReadBlock(std::string& output, bool& gotData) const;
    long long TransferTimeUs(long long bytes) const;
    void DrainOutput() const;

    int errorCode = 0;
    std::string errorMsg;
    std::string port;
    int baud;
    int fd = -1;
    std::string pendingInput;
    int writeChunk;
};

// True when the text holds a final answer or prompt of a modem; no caller in the tool uses it.
bool IsReadFinished(std::string text);

#endif
