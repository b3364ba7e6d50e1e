#include "ComPortBase.h"

#include <sys/prctl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "ComPortBaseLinux.h"

CComPortBase::CComPortBase(std::string port, int baud)
    : impl(std::make_unique<CComPortBaseLinux>(std::move(port), baud))
{
    impl->Open();
}

CComPortBase::~CComPortBase()
{
    if (impl) {
        impl->Close();
        impl.reset();
    }
}

int CComPortBase::ResetAllComPort()
{
    // The exchanges are paced in half-milliseconds; the default slack of 50 microseconds on
    // every sleep would stretch each of them. Threads started later inherit the setting.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return CComPortBaseLinux::ResetAllComPort();
}

bool CComPortBase::Open() { return impl && impl->Open(); }

bool CComPortBase::Close() { return impl && impl->Close(); }

bool CComPortBase::IsOpened() const { return impl && impl->IsOpened(); }

bool CComPortBase::IsComError() const { return impl && impl->IsComError(); }

std::string CComPortBase::GetErrorMsg() const { return impl ? impl->GetErrorMsg() : std::string(); }

bool CComPortBase::Write(std::string command)
{
    return impl && impl->IsOpened() && impl->Write(std::move(command));
}

bool CComPortBase::ReadAll(std::string& output)
{
    if (!impl) {
        return false;
    }
    std::string arrived;
    impl->ReadAll(arrived);
    output += arrived;
    return true;
}

bool CComPortBase::Read(std::string& output)
{
    if (!impl) {
        return false;
    }
    std::string arrived;
    bool result = impl->Read(arrived);
    output += arrived;
    return result;
}

bool CComPortBase::SetParam() { return impl && impl->SetParam(); }

bool CComPortBase::ResetRead()
{
    readWaited = 0;
    return true;
}

bool CComPortBase::SetReadTotalWaitSeconds(int seconds)
{
    readTotalWaitSeconds = seconds;
    readWaited = 0;
    return true;
}

void CComPortBase::HandleErrorMsg() {}

void CComPortBase::TalkWithCom() {}

uint64_t time_usec()
{
    struct timeval now {};
    gettimeofday(&now, nullptr);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_usec);
}

int usleep_until(uint64_t target)
{
    const uint64_t slice = 10000;
    for (;;) {
        uint64_t now = time_usec();
        if (now >= target) {
            return 0;
        }
        usleep(static_cast<useconds_t>(now + slice < target ? slice : target - now));
    }
}

namespace {

int64_t monotonic_ns()
{
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void sleep_until_ns(int64_t deadline)
{
    struct timespec at {};
    at.tv_sec = static_cast<time_t>(deadline / 1000000000);
    at.tv_nsec = static_cast<long>(deadline % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

}  // namespace

void CPacer::Pause(uint64_t us)
{
    const int64_t start = monotonic_ns();
    const int64_t deadline = start + static_cast<int64_t>(us) * 1000 - lateNs;
    if (deadline > start) {
        sleep_until_ns(deadline);
    }
    lateNs = monotonic_ns() - deadline;
}
