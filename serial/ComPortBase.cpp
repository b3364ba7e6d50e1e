#include "ComPortBase.h"

#include <sys/time.h>
#include <unistd.h>

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

int CComPortBase::ResetAllComPort() { return CComPortBaseLinux::ResetAllComPort(); }

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
