#include "ComPortBaseLinux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "term.h"

int tty_write_sz = 0;

namespace {

// The pacing below decides how long every exchange step of the tool takes.
constexpr long long WAIT_BUDGET_US = 1000;  // total time one Write or Read may wait in poll
constexpr useconds_t CYCLE_PAUSE_US = 500;
constexpr int WRITE_CYCLES = 5;
constexpr int READ_CYCLES = 10;
constexpr int CYCLES_PER_DATA = 10;
constexpr int MAX_CYCLES = 1000;
constexpr size_t READ_BLOCK = 128;
constexpr int MIN_WRITE_CHUNK = 8;
constexpr long long BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit
constexpr long long WRITE_SLACK_US = 1000000;
constexpr long long DRAIN_SLACK_US = 20000;
constexpr useconds_t DRAIN_POLL_US = 1000;

long long monotonic_us()
{
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// strerror_r comes in a GNU and an XSI flavour; these pick the text out of either.
[[maybe_unused]] const char* error_text(const char* gnu_result, const char*) { return gnu_result; }
[[maybe_unused]] const char* error_text(int, const char* buffer) { return buffer; }

std::string system_error_text(int errnum)
{
    char buffer[256] = "";
    return error_text(strerror_r(errnum, buffer, sizeof buffer), buffer);
}

int chunk_for_speed(int speed) { return std::max(speed / 10, MIN_WRITE_CHUNK); }

}  // namespace

CComPortBaseLinux::CComPortBaseLinux(std::string port, int baud)
    : port(std::move(port)), baud(baud), writeChunk(chunk_for_speed(baud))
{
}

CComPortBaseLinux::~CComPortBaseLinux() { Close(); }

int CComPortBaseLinux::ResetAllComPort() { return term_lib_init(); }

bool CComPortBaseLinux::Open()
{
    if (fd != -1) {
        return true;
    }
    fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd == -1) {
        // A missing or busy device is reported by the caller, not recorded here.
        return false;
    }
    return SetParam();
}

bool CComPortBaseLinux::SetParam()
{
    if (fd == -1) {
        return false;
    }
    // Held throughout, so the shared opts and tty_write_sz always match one configuration.
    term_lock_guard lock;
    opts.baud = baud;
    if (term_set(fd, 1, baud, opts.parity, opts.databits, opts.stopbits, opts.flow, 1,
                 opts.noreset ? 0 : 1)
        < 0) {
        HandleError();
        return false;
    }
    if (term_apply(fd, 0) < 0) {
        HandleError();
        return false;
    }
    writeChunk = chunk_for_speed(term_get_baudrate(fd));
    tty_write_sz = writeChunk;
    return true;
}

bool CComPortBaseLinux::Close()
{
    if (fd == -1) {
        return true;
    }
    // Clearing HUPCL first keeps DTR raised, so closing does not hang the modem up.
    term_set_hupcl(fd, 0);
    DrainOutput();
    term_flush(fd);
    term_apply(fd, 1);
    term_erase(fd);
    close(fd);
    fd = -1;
    return true;
}

bool CComPortBaseLinux::IsOpened() const { return fd != -1; }

bool CComPortBaseLinux::IsComError() const { return errorCode != 0; }

std::string CComPortBaseLinux::GetErrorMsg() const { return errorMsg; }

void CComPortBaseLinux::HandleError()
{
    if (errorCode != 0 || errno == 0) {
        return;
    }
    errorCode = errno;
    char code[32];
    snprintf(code, sizeof code, "Code: %d  ", errorCode);
    errorMsg = code + system_error_text(errorCode);
}

bool CComPortBaseLinux::Write(std::string command)
{
    if (fd == -1) {
        return false;
    }
    const std::string queue = std::move(command);
    size_t sent = 0;
    long long budget = WAIT_BUDGET_US;
    // A slow line may need more than the usual cycles: keep going while the bytes can still
    // leave at the port's speed.
    const long long deadline = monotonic_us() + TransferTimeUs(queue.size()) + WRITE_SLACK_US;
    int limit = WRITE_CYCLES;
    for (int cycles = 0; cycles < limit || (sent < queue.size() && monotonic_us() < deadline);
         cycles++) {
        bool pending = sent < queue.size();
        Readiness ready;
        Wait wait = WaitReady(pending, budget, ready);
        if (wait == Wait::Failed) {
            return false;
        }
        if (wait == Wait::Ready) {
            if (ready.readable) {
                bool gotData = false;
                if (!ReadBlock(pendingInput, gotData)) {
                    return false;
                }
                if (gotData) {
                    limit = std::min(limit + CYCLES_PER_DATA, MAX_CYCLES);
                }
            }
            if (ready.writable && pending) {
                size_t len = std::min(queue.size() - sent, static_cast<size_t>(writeChunk));
                ssize_t n;
                do {
                    n = write(fd, queue.data() + sent, len);
                } while (n < 0 && errno == EINTR);
                if (n <= 0) {
                    return false;
                }
                sent += static_cast<size_t>(n);
                usleep(CYCLE_PAUSE_US);
            }
            if (ready.exceptional) {
                return false;
            }
        }
        usleep(CYCLE_PAUSE_US);
    }
    return sent == queue.size();
}

bool CComPortBaseLinux::Read(std::string& output)
{
    output += pendingInput;
    pendingInput.clear();
    if (fd == -1) {
        return false;
    }
    long long budget = WAIT_BUDGET_US;
    int limit = READ_CYCLES;
    usleep(CYCLE_PAUSE_US);
    for (int cycles = 0; cycles < limit; cycles++) {
        Readiness ready;
        Wait wait = WaitReady(false, budget, ready);
        if (wait == Wait::Failed) {
            return false;
        }
        if (wait == Wait::Ready) {
            if (ready.readable) {
                bool gotData = false;
                if (!ReadBlock(output, gotData)) {
                    return false;
                }
                if (gotData) {
                    limit = std::min(limit + CYCLES_PER_DATA, MAX_CYCLES);
                }
            }
            if (ready.exceptional) {
                return false;
            }
        }
        usleep(CYCLE_PAUSE_US);
    }
    return false;
}

bool CComPortBaseLinux::ReadAll(std::string& output)
{
    std::string arrived;
    Read(arrived);
    output += arrived;
    usleep(1);
    return true;
}

// poll, not select: a descriptor number above FD_SETSIZE must not overflow an fd_set.
CComPortBaseLinux::Wait CComPortBaseLinux::WaitReady(bool wantWrite, long long& budgetUs,
                                                     Readiness& ready) const
{
    struct pollfd watch {};
    watch.fd = fd;
    watch.events = POLLIN | POLLPRI | (wantWrite ? POLLOUT : 0);
    struct timespec timeout {};
    timeout.tv_sec = budgetUs / 1000000;
    timeout.tv_nsec = (budgetUs % 1000000) * 1000;
    long long start = monotonic_us();
    int r = ppoll(&watch, 1, &timeout, nullptr);
    budgetUs = std::max(0LL, budgetUs - (monotonic_us() - start));
    if (r < 0) {
        return errno == EINTR ? Wait::Interrupted : Wait::Failed;
    }
    if (watch.revents & POLLNVAL) {
        return Wait::Failed;
    }
    // The same conditions select reports as readable, writable and exceptional.
    ready.readable = watch.revents & (POLLIN | POLLHUP | POLLERR);
    ready.writable = wantWrite && (watch.revents & (POLLOUT | POLLERR));
    ready.exceptional = watch.revents & POLLPRI;
    return Wait::Ready;
}

bool CComPortBaseLinux::ReadBlock(std::string& output, bool& gotData) const
{
    char block[READ_BLOCK];
    ssize_t n;
    do {
        n = read(fd, block, sizeof block);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        output.append(block, static_cast<size_t>(n));
        gotData = true;
        return true;
    }
    return n < 0 && errno == EAGAIN;
}

long long CComPortBaseLinux::TransferTimeUs(long long bytes) const
{
    return baud > 0 ? bytes * BITS_PER_BYTE * 1000000 / baud : 0;
}

// Waits, bounded by the time the queued bytes need at the port's speed, until the device has
// sent what is still queued, so the flush before closing does not cut a command's tail.
void CComPortBaseLinux::DrainOutput() const
{
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) < 0 || queued <= 0) {
        return;
    }
    const long long deadline = monotonic_us() + TransferTimeUs(queued) + DRAIN_SLACK_US;
    while (monotonic_us() < deadline) {
        usleep(DRAIN_POLL_US);
        if (ioctl(fd, TIOCOUTQ, &queued) < 0 || queued <= 0) {
            return;
        }
    }
}

bool IsReadFinished(std::string text)
{
    for (const char* end : {"OK", "ERROR", ">", "SMS FULL", "SMS DONE"}) {
        if (text.find(end) != std::string::npos) {
            return true;
        }
    }
    return false;
}
