#include "CCheckManager.h"

#include <sys/time.h>
#include <unistd.h>

#include <iostream>

#include "CColorCout.h"
#include "ComPortBase.h"
#include "PhoneCardBase.h"

#ifndef ZAVRIX_COMPILER_VERSION
#define ZAVRIX_COMPILER_VERSION __VERSION__
#endif

pthread_mutex_t vecLock = PTHREAD_MUTEX_INITIALIZER;
bool g_bShowExtend = true;
std::vector<DeviceBaseComInfo> CCheckManager::g_comVec;

uint64_t time_usec2()
{
    struct timeval now {};
    gettimeofday(&now, nullptr);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_usec);
}

int usleep_until2(uint64_t target)
{
    const uint64_t slice = 10000;
    for (;;) {
        uint64_t now = time_usec2();
        if (now >= target) {
            return 0;
        }
        usleep(static_cast<useconds_t>(now + slice < target ? slice : target - now));
    }
}

CCheckManager::CCheckManager() = default;

CCheckManager::~CCheckManager() = default;

void CCheckManager::InitLog()
{
}

void CCheckManager::InitConsoleSize()
{
    if (geteuid() != 0) {
        std::cout << "\n";
        CColorCout::CoutRedMessage("此程序必须以root权限运行");
        std::cout << "\n" << std::flush;
        exit(1);
    }
    CComPortBase::ResetAllComPort();
}

void CCheckManager::OnAbout()
{
    std::cout << "1.9版本 编译时间  " << __DATE__ << " " << __TIME__ << " " << ZAVRIX_COMPILER_VERSION
              << "\n";
}

void CCheckManager::PrintHelpInfo()
{
    CColorCout::CoutGreenMessage("Zavrix 短信设备检测工具 使用说明");
    std::cout << "\n\n";
    std::cout << "1. 执行Norvelt检测工具  执行Zavrix \n";
    std::cout << "2. 查看帮助信息  执行Zavrix help 可以输出本帮助信息 \n";
    std::cout << "3. 通过所有串口设备发送短信 执行 Zavrix [空格]手机号1,手机号2...[空格]\"短信内容 \"\n";
    std::cout << "4. 通过指定串口设备发送短信 执行 Zavrix [空格]串口号1,串口号2...[空格]手机号1,手机号2，...[空格]\"短信内容 \"\n";
    std::cout << "注意: 如果短信内容中有空格，需要用双引号(\")括起来，短信内容中的双引号(\")需要转义为\\\" \n";
    std::cout << "例1: 通过端口/dev/ttyUSB3给1830000000发送内容为 \"北京Norvelt短信 欢迎使用\" 的短信则输入\n";
    std::cout << "命令1: Zavrix USB3 18300000000 \"北京Norvelt短信 欢迎使用\"\n";
    std::cout << "例2: 通过端口/dev/ttyUSB3,/dev/ttyUSB4 给1830000000,18500000000 发送内容为 \"北京Norvelt短信 欢迎使用\" 的短信则输入\n";
    std::cout << "命令2: Zavrix USB3,USB4 18300000000,18500000000 \"北京Norvelt短信 欢迎使用\"\n";
}

// ---------------------------------------------------------------------------------------------
// AT exchanges: the driver builds the command and judges the whole answer gathered so far; the
// loop owns the writes, the number of reads and the pauses. Reads are counted, not timed.
// ---------------------------------------------------------------------------------------------

namespace {

using Judge = int (CPhoneCardBase::*)(std::string);
using Builder = std::string (CPhoneCardBase::*)() const;

enum class PortCheck { Open, IsOpened };

enum Verdict { VERDICT_OK = 0, VERDICT_ERROR = 1, VERDICT_MORE = 2 };

bool PortReady(CComPortBase* com, PortCheck check)
{
    return check == PortCheck::Open ? com->Open() : com->IsOpened();
}

// Reads until the judge decides or `reads` reads have passed; VERDICT_MORE when undecided.
// `extraWaitUs` is waited on the wall clock before each pause.
int ReadUntilDecided(CPhoneCardBase* phone, CComPortBase* com, Judge judge, int reads, uint64_t extraWaitUs = 0)
{
    std::string answer;
    for (int i = 0; i < reads; i++) {
        if (com->ReadAll(answer)) {
            int verdict = (phone->*judge)(answer);
            if (verdict == VERDICT_OK || verdict == VERDICT_ERROR) {
                return verdict;
            }
        }
        if (extraWaitUs != 0) {
            usleep_until2(time_usec2() + extraWaitUs);
        }
        usleep(LINUX_SLEEP);
    }
    return VERDICT_MORE;
}

bool RunExchange(CPhoneCardBase* phone, CComPortBase* com, PortCheck check, Builder build, Judge judge, int reads,
                 uint64_t extraWaitUs = 0)
{
    if (phone == nullptr || com == nullptr || !PortReady(com, check)) {
        return false;
    }
    com->Write((phone->*build)());
    return ReadUntilDecided(phone, com, judge, reads, extraWaitUs) == VERDICT_OK;
}

bool RunGivenText(CPhoneCardBase* phone, CComPortBase* com, const std::string& text, Judge judge, int reads)
{
    if (phone == nullptr || com == nullptr || !com->IsOpened()) {
        return false;
    }
    com->Write(text);
    return ReadUntilDecided(phone, com, judge, reads) == VERDICT_OK;
}

constexpr int QUICK_READS = 5;
constexpr int AT_READS = 10;
constexpr int PROMPT_READS = 1200;
constexpr int LONG_READS = 1400;
constexpr uint64_t DELETE_WAIT_US = 100000; // deleting a full storage takes the modem long

} // namespace

void CCheckManager::RunComCmdInitPhone(CPhoneCardBase* phone, CComPortBase* com)
{
    if (phone == nullptr || com == nullptr || !com->Open()) {
        return;
    }
    for (const std::string& command : phone->GetInitAtCmd()) {
        if (!com->IsOpened()) {
            continue;
        }
        com->Write(command);
        // A refused start-up command leaves the modem in a state the later ones must not assume.
        if (ReadUntilDecided(phone, com, &CPhoneCardBase::OnInitAtCmdRsp, QUICK_READS) == VERDICT_ERROR) {
            return;
        }
    }
}

bool CCheckManager::RunComCmdDelAllSms(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetDelAllSmsCmd,
                       &CPhoneCardBase::OnDelAllSmsCmdRsp, LONG_READS, DELETE_WAIT_US);
}

bool CCheckManager::RunComCmdQuerySMSC(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetQuerySmsCenterCmd,
                       &CPhoneCardBase::OnGetQuerySmsCenterCmdRsp, LONG_READS);
}

bool CCheckManager::RunComCmdAT(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::Open, &CPhoneCardBase::GetATCmd, &CPhoneCardBase::OnGetAtCmdRsp,
                       AT_READS);
}

bool CCheckManager::RunComCmdATI(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetAtiCmd, &CPhoneCardBase::OnGetAtiCmdRsp,
                       LONG_READS);
}

bool CCheckManager::RunComCmdGetSerialNumber(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::Open, &CPhoneCardBase::GetIMEI_Cmd, &CPhoneCardBase::OnGetIMEI_Cmd,
                       QUICK_READS);
}

bool CCheckManager::RunComCmdSendPduContext(CPhoneCardBase* phone, CComPortBase* com, std::string text)
{
    return RunGivenText(phone, com, text, &CPhoneCardBase::OnSendPduSmsContextCmdRsp, LONG_READS);
}

bool CCheckManager::RunComCmdSendPduLen(CPhoneCardBase* phone, CComPortBase* com, std::string text)
{
    return RunGivenText(phone, com, text, &CPhoneCardBase::OnSendPduSmsLenCmdRsp, PROMPT_READS);
}

bool CCheckManager::RunComCmdReadAllSmsToPhone(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetReadAllSmsCmd,
                       &CPhoneCardBase::OnReadAllSmsCmdRsp, PROMPT_READS);
}

bool CCheckManager::RunComCmdSetRecvSmsCompatibleMode(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetRecvSmsCompatibleModeCmd,
                       &CPhoneCardBase::OnGetRecvSmsCompatibleModeCmdRsp, LONG_READS);
}

bool CCheckManager::RunComCmdSetPduMode(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::SetSmsPDUModeCmd,
                       &CPhoneCardBase::OnSetSmsPduModeCmdRsp, LONG_READS);
}

bool CCheckManager::RunComCmdGetSmsCardNumber(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetIMSI_Cmd,
                       &CPhoneCardBase::OnGetIMSI_CmdRsp, QUICK_READS);
}

bool CCheckManager::RunComCmdReadME_Sms(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetReadSmsOnMeCmd,
                       &CPhoneCardBase::OnGetReadSmsOnMeCmd, QUICK_READS);
}

bool CCheckManager::RunComCmdReadSM_Sms(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetReadSmsOnSmCmd,
                       &CPhoneCardBase::OnGetReadSmsOnSmCmd, QUICK_READS);
}

bool CCheckManager::RunComCmdGetSignalStrength(CPhoneCardBase* phone, CComPortBase* com)
{
    return RunExchange(phone, com, PortCheck::IsOpened, &CPhoneCardBase::GetSignalStrengthCmd,
                       &CPhoneCardBase::OnGetSignalStrengthCmdRsp, QUICK_READS);
}

// The interactive menu, the stored-message modes and the command-line send are built on the scan;
// until it exists they do nothing.
void CCheckManager::Start()
{
}

void CCheckManager::OnCmdParams(int, char*[])
{
}

void CCheckManager::OnCmdSMS(const std::string&)
{
}
