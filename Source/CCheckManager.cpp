#include "CCheckManager.h"

#include <signal.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>

#include <json/json.h>

#include "CColorCout.h"
#include "ComPortBase.h"
#include "PhoneCardBase.h"
#include "CreatePhone.h"
#include "Sms.h"
#include "StringUtil.h"

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
    CPacer pacer;
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
        pacer.Pause(LINUX_SLEEP);
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

// ---- Interactive menu, device table, dialogues and port selection ----

namespace {

enum MenuCode { MENU_NOTHING = 0, MENU_REFRESH = 1, MENU_SEND = 4, MENU_READ = 7, MENU_KEY_D = 8, MENU_QUIT = 10 };

const int TABLE_RULE_WIDTH = 90;
const char* const DEFAULT_SMS_TEXT = " 北京Norvelt短信为您服务 ";
const char* const PORT_PROMPT = "请输入设备端口号(例:选择/dev/ttyUSB0,请输入USB0):";
const char* const PORT_REJECTED = "您输入的设备端口号有误，请重新输入";

// printf's "%-*s" and "%*s": widths count bytes, so a Chinese character takes three.
std::string PadRight(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string PadLeft(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// A record's text field, never read past its array even when its terminator is missing.
template <std::size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

Win32::CommInfo RowFromRecord(const DeviceBaseComInfo& record)
{
    Win32::CommInfo row;
    row.port = FieldText(record.port);
    row.baud = std::to_string(record.baud);
    row.atOk = record.atFound;
    row.portOk = record.atFound;
    row.number = FieldText(record.number);
    row.serial = FieldText(record.serial);
    row.signal = FieldText(record.signal);
    row.ati = FieldText(record.ati);
    return row;
}

// Quotes and blanks the modems put around their values; three passes, as some come doubly wrapped.
void TrimRowTexts(Win32::CommInfo& row)
{
    for (int pass = 0; pass < 3; ++pass) {
        row.number = TrimAllChar(TrimAllChar(TrimAllChar(row.number, '"'), ' '), '"');
        row.signal = TrimAllChar(TrimAllChar(row.signal, '"'), ' ');
        row.serial = TrimAllChar(TrimAllChar(row.serial, '"'), ' ');
    }
}

std::string DeviceRowText(const Win32::CommInfo& row)
{
    std::string text = std::string(TABLE_RULE_WIDTH, '-') + "\n";
    text += PadRight(row.port.size() > 5 ? row.port.substr(5) : std::string(), 10);
    text += PadRight(row.baud, 10);
    text += row.portOk ? PadRight("OK", 16) : PadRight("端口不可用", 22);
    text += row.number.empty() ? PadRight("未读卡", 26) : PadRight(row.number, 23);
    text += row.signal.empty() ? PadRight("无信号", 15) : PadRight(row.signal, 12);
    text += row.serial.empty() ? std::string("无效序列号") : row.serial;
    return text + "\n";
}

// Blanks and semicolons separate like commas.
std::vector<std::string> SplitAtSeparators(const std::string& text)
{
    return SplitStringByChar(StringReplaceChar(StringReplaceChar(text, ' ', ','), ';', ','), ',');
}

// The non-empty pieces of a list, or nothing at all when one of them fails the test.
template <typename Test>
std::vector<std::string> SplitCheckedList(const std::string& text, Test test)
{
    std::vector<std::string> list;
    for (const std::string& piece : SplitAtSeparators(text)) {
        if (piece.empty()) {
            continue;
        }
        if (!test(piece)) {
            return {};
        }
        list.push_back(piece);
    }
    return list;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The device type the scan's own test order gives an identification answer; 1 when none takes it.
int PhoneTypeOfAti(const std::vector<std::unique_ptr<CPhoneCardBase>>& phones, const std::string& ati)
{
    for (const auto& phone : phones) {
        if (phone->IsATI_RspMatch(ati)) {
            return phone->GetPhoneType();
        }
    }
    return PHONE_TYPE_BASE;
}

ComPortBaseInfo_t PortFromRow(const Win32::CommInfo& row, int type)
{
    ComPortBaseInfo_t port;
    port.port = row.port;
    port.baud = atoi(row.baud.c_str());
    port.atOk = row.atOk;
    port.number = row.number;
    port.signal = row.signal;
    port.serial = row.serial;
    port.type = type;
    return port;
}

// A typed id the scan did not list: the jobs report it as a failure.
ComPortBaseInfo_t UnlistedPort(const std::string& id)
{
    ComPortBaseInfo_t port;
    port.port = "/dev/tty" + id;
    port.baud = 115200;
    port.type = PHONE_TYPE_BASE;
    port.knownPort = false;
    return port;
}

// One line of standard input. The error state is cleared, so the end of input gives empty lines.
std::string ReadInputLine()
{
    std::string line;
    std::getline(std::cin, line);
    std::cin.clear();
    return line;
}

// The prompt pattern of the dialogues: up to three lines, each rejected one answered in red.
template <typename Test>
bool AskWithTries(const std::string& prompt, const std::string& rejection, Test test)
{
    for (int tries = 0; tries < MAX_INPUT_TRY_COUNT; ++tries) {
        std::cout << "\n";
        CColorCout::CoutGreenMessage(prompt);
        std::cout << std::flush;
        const std::string line = ReadInputLine();
        std::cout << "\n";
        if (test(line)) {
            return true;
        }
        CColorCout::CoutRedMessage(rejection);
        std::cout << "\n";
    }
    CColorCout::CoutRedMessage("输入的错误次数过多，返回主界面");
    std::cout << "\n\n\n" << std::flush;
    return false;
}

long SecondsSince(time_t start)
{
    return static_cast<long>(time(nullptr) - start + 1);
}

// The keyboard's settings from before a raw key read, for the signal handler below.
struct termios keyboardBeforeKey {};

const int KEY_WAIT_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
const std::size_t KEY_WAIT_SIGNAL_COUNT = sizeof KEY_WAIT_SIGNALS / sizeof KEY_WAIT_SIGNALS[0];

// A signal that ends the process during a key read must not leave the user's terminal raw: put
// the settings back, then die of the signal as before.
void RestoreKeyboardAndDie(int sig)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &keyboardBeforeKey);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(sig, &fallback, nullptr);
    raise(sig);
}

// Holds the handler in place for one raw key read; signals that were ignored stay ignored.
class KeyWaitSignals {
public:
    explicit KeyWaitSignals(const struct termios& keyboard)
    {
        keyboardBeforeKey = keyboard;
        struct sigaction restore {};
        restore.sa_handler = RestoreKeyboardAndDie;
        sigemptyset(&restore.sa_mask);
        for (std::size_t i = 0; i < KEY_WAIT_SIGNAL_COUNT; ++i) {
            installed[i] = sigaction(KEY_WAIT_SIGNALS[i], nullptr, &before[i]) == 0 &&
                           before[i].sa_handler == SIG_DFL &&
                           sigaction(KEY_WAIT_SIGNALS[i], &restore, nullptr) == 0;
        }
    }
    ~KeyWaitSignals()
    {
        for (std::size_t i = 0; i < KEY_WAIT_SIGNAL_COUNT; ++i) {
            if (installed[i]) {
                sigaction(KEY_WAIT_SIGNALS[i], &before[i], nullptr);
            }
        }
    }
    KeyWaitSignals(const KeyWaitSignals&) = delete;
    KeyWaitSignals& operator=(const KeyWaitSignals&) = delete;

private:
    struct sigaction before[KEY_WAIT_SIGNAL_COUNT] {};
    bool installed[KEY_WAIT_SIGNAL_COUNT] {};
};

} // namespace

int getchLinux()
{
    std::cout << std::flush;
    struct termios saved {};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) {
        return -1;
    }
    const KeyWaitSignals restoreOnSignal(saved);
    struct termios raw = saved;
    cfmakeraw(&raw);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
        return -1;
    }
    const int key = getchar();
    if (tcsetattr(STDIN_FILENO, TCSANOW, &saved) != 0) {
        return -1;
    }
    return key == EOF ? -1 : key;
}

std::string GetPortId(const std::string& path)
{
    const std::string::size_type tty = path.find("tty");
    return tty == std::string::npos ? path : path.substr(tty + 3);
}

bool IsDigitString(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

void CCheckManager::Start()
{
    int code = MENU_NOTHING;
    while (code != MENU_QUIT) {
        code = PrintBaseMenu();
        switch (code) {
        case MENU_REFRESH: OnScanPort(); break;
        case MENU_SEND: OnSendPDUSms(); break;
        case MENU_READ: OnReadAllSms(); break;
        case MENU_KEY_D: OnDelAllSms(); break;
        default: break;
        }
    }
}

int CCheckManager::PrintBaseMenu()
{
    PrintAllDevice();
    std::cout << "回车键刷新 1发送短信 2接收短信 q退出\n";
    const int key = getchLinux();
    switch (key) {
    case KEY_VALUE_ENTER: return MENU_REFRESH;
    case KEY_VALUE_NUM_1: return MENU_SEND;
    case KEY_VALUE_NUM_2: return MENU_READ;
    case KEY_VALUE_CHAR_D: return MENU_KEY_D;
    case KEY_VALUE_CHAR_Q: return MENU_QUIT;
    // No terminal, or its input has ended: no key will ever come, so rescanning would never stop.
    case -1: return MENU_QUIT;
    default: break;
    }
    // The key after an unknown one is swallowed, such as the rest of an escape sequence.
    return getchLinux() == -1 ? MENU_QUIT : MENU_NOTHING;
}

void CCheckManager::PrintAllDevice()
{
    OnScanPort();
    PrintDeviceTable();
}

void CCheckManager::PrintDeviceTable()
{
    std::cout << "\n\n" << PadLeft("Norvelt短信设备检测 V1.9 ", 45) << " " << GetCurTimeStr() << "\n";
    std::cout << std::string(TABLE_RULE_WIDTH, '=') << "\n";
    std::cout << PadRight("端口号", 13) << PadRight("波特率", 13) << PadRight("AT标识", 18)
              << PadRight("SMS卡号", 25) << PadRight("信号强度", 15) << "设备序列号\n";
    // The trimmed texts stay in the rows: the dialogues that follow use them.
    for (Win32::CommInfo& row : commInfoList) {
        TrimRowTexts(row);
        std::cout << DeviceRowText(row);
    }
    std::cout << std::string(TABLE_RULE_WIDTH, '=') << "\n\n";
    std::cout << "\t" << scanTimeText << "\n" << std::flush;
}

void CCheckManager::OnScanPort()
{
    commInfoList.clear();
    const time_t start = time(nullptr);
    const std::vector<DeviceBaseComInfo> records = DetectAllDevice();
    const long seconds = SecondsSince(start);
    for (const DeviceBaseComInfo& record : records) {
        commInfoList.push_back(RowFromRecord(record));
    }
    scanTimeText = "设备检测耗时: " + std::to_string(seconds) + " 秒";
}

void CCheckManager::OnSendPDUSms()
{
    std::vector<std::string> numbers;
    std::vector<ComPortBaseInfo_t> ports;
    std::string text;
    if (!InputCheckSendPduSmsPhoneNumbers(numbers) || !InputCheckSendPduSmsComPorts(ports)) {
        return;
    }
    InputCheckSendPduSmsContext(text);
    const time_t start = time(nullptr);
    HandleSendPduSmsProcess(ports, numbers, text);
    std::cout << "发送短信耗时: " << SecondsSince(start) << " 秒\n" << std::flush;
}

void CCheckManager::OnReadAllSms()
{
    std::vector<ComPortBaseInfo_t> ports;
    if (!InputReadAllSmsComPort(ports)) {
        return;
    }
    const time_t start = time(nullptr);
    HandleReadAllSms(ports);
    std::cout << "读取短信耗时: " << SecondsSince(start) << " 秒\n" << std::flush;
}

// Key d only asks for ports: deleting stored messages from the menu is not offered, so the
// choice is dropped rather than guessed at.
void CCheckManager::OnDelAllSms()
{
    std::vector<ComPortBaseInfo_t> ports;
    InputReadAllSmsComPort(ports);
}

bool CCheckManager::InputCheckSendPduSmsPhoneNumbers(std::vector<std::string>& numbers)
{
    numbers.clear();
    return AskWithTries("请输入接收短信的号码: ", "您输入的号码有误，请重新输入", [&](const std::string& line) {
        numbers = SplitUserPhoneNumber(line);
        return !numbers.empty();
    });
}

bool CCheckManager::InputCheckSendPduSmsComPorts(std::vector<ComPortBaseInfo_t>& ports)
{
    return AskWithTries(PORT_PROMPT, PORT_REJECTED,
                        [&](const std::string& line) { return InputToSendPduSmsComPort(line, ports); });
}

bool CCheckManager::InputReadAllSmsComPort(std::vector<ComPortBaseInfo_t>& ports)
{
    return AskWithTries(PORT_PROMPT, PORT_REJECTED,
                        [&](const std::string& line) { return InputToSendPduSmsComPort(line, ports); });
}

bool CCheckManager::InputCheckSendPduSmsContext(std::string& text)
{
    std::cout << "\n";
    CColorCout::CoutGreenMessage("请输入短信内容:");
    std::cout << std::flush;
    text = ReadInputLine();
    std::cout << "\n";
    return InputToSendPduSmsContext(text);
}

bool CCheckManager::InputToSendPduSmsContext(std::string& text)
{
    if (text.empty()) {
        text = DEFAULT_SMS_TEXT;
    }
    return true;
}

bool CCheckManager::InputToSendPduSmsComPort(const std::string& portText, std::vector<ComPortBaseInfo_t>& ports)
{
    ports.clear();
    const std::vector<std::unique_ptr<CPhoneCardBase>> phones = CreateAllPhonesInPriorityOrder();
    if (portText.empty()) {
        // The best identified group there is: complete rows, else rows with AT, else every row.
        for (const Win32::CommInfo& row : commInfoList) {
            if (row.atOk && !row.serial.empty() && !row.signal.empty() && !row.number.empty()) {
                ports.push_back(PortFromRow(row, PhoneTypeOfAti(phones, row.ati)));
            }
        }
        if (ports.empty()) {
            for (const Win32::CommInfo& row : commInfoList) {
                if (row.atOk) {
                    ports.push_back(PortFromRow(row, PhoneTypeOfAti(phones, row.ati)));
                }
            }
        }
        if (ports.empty()) {
            for (const Win32::CommInfo& row : commInfoList) {
                ports.push_back(PortFromRow(row, PHONE_TYPE_BASE));
            }
        }
        return true;
    }
    bool matched = false;
    for (const std::string& id : SplitAtSeparators(portText)) {
        const auto row = std::find_if(commInfoList.begin(), commInfoList.end(),
                                      [&](const Win32::CommInfo& r) { return GetPortId(r.port) == id; });
        if (row == commInfoList.end()) {
            ports.push_back(UnlistedPort(id));
            continue;
        }
        ports.push_back(PortFromRow(*row, PhoneTypeOfAti(phones, row->ati)));
        matched = true;
    }
    return matched;
}

std::vector<std::string> CCheckManager::SplitUserPhoneNumber(std::string numbers)
{
    return SplitCheckedList(numbers, [this](const std::string& number) { return CheckReceiveNumber(number); });
}

bool CCheckManager::CheckReceiveNumber(std::string number)
{
    if (number.size() <= 4 || number.size() >= static_cast<std::size_t>(MAX_PHONE_LEN)) {
        return false;
    }
    if (number[0] != '+' && !IsDigit(number[0])) {
        return false;
    }
    return std::all_of(number.begin() + 1, number.end(), IsDigit);
}

// Only a text wrapped in quotes as a whole loses them; quotes inside are the user's own.
std::string CCheckManager::RemoveDoubleQuotationMarksOfStringBothSide(std::string text)
{
    if (text.size() > 5 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::vector<std::string> CCheckManager::SplitComPorts(std::string ports)
{
    return SplitCheckedList(ports, IsDigitString);
}

// ---- end of the interactive menu section ----

// ---------------------------------------------------------------------------------------------
// Send job: every number through every port, one result per pair, in port-major order.
// ---------------------------------------------------------------------------------------------

namespace {

constexpr int MAX_SEND_ATTEMPTS = 3;

// The carriers' own service numbers have 5 characters; a stamp would reach their robots as noise.
constexpr std::size_t SERVICE_NUMBER_LEN = 5;

// A text the codec cannot read would go out as an empty message.
bool ConvertsToNoCharacter(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    std::vector<unsigned char> ucs2(2 * text.size() + 2);
    return gsmEncodeUcs2(text.c_str(), ucs2.data(), static_cast<int>(text.size())) == 0;
}

// Why a send failed: the driver's last error text, else the port's, else the modem's silence.
std::string SendFailureReason(CPhoneCardBase& phone, const CComPortBase& com)
{
    std::string reason = phone.GetErrorMessage();
    if (reason.empty() && com.IsComError()) {
        reason = com.GetErrorMsg();
    }
    if (reason.empty()) {
        reason = GetSmsCodeChineseStr(SMS_CODE_DEVICE_NOT_AT);
    }
    return reason;
}

// "/dev/ttyUSB0" as "ttyUSB0".
std::string PortWithoutDev(const std::string& port)
{
    return port.substr(std::min<std::size_t>(5, port.size()));
}

} // namespace

void CCheckManager::HandleSendPduSmsProcess(const std::vector<ComPortBaseInfo_t>& ports,
                                            const std::vector<std::string>& numbers, const std::string& text)
{
    sendResults.clear();
    for (const ComPortBaseInfo_t& record : ports) {
        SendSmsResult_t result;
        result.port = record.port;
        std::unique_ptr<CComPortBase> com; // declared first so that it is closed after the driver is gone
        std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(record.type);
        // Nothing is ever written to a port without driver or SIM card, so it is not opened either:
        // such a record may name "/dev/tty", and opening that would leave the user's terminal raw.
        if (phone && !record.number.empty()) {
            com = std::make_unique<CComPortBase>(record.port, record.baud);
        }
        for (const std::string& number : numbers) {
            result.number = number;
            result.time = GetCurTimeStr();
            if (record.number.empty()) {
                result.code = SMS_CODE_NO_SIM_CARD;
            } else if (phone) {
                const std::string body = AddTimeStampToSmsContextByPhoneNum(text, number, result.time);
                RunComCmdInitPhone(phone.get(), com.get());
                bool sent = false;
                int attempts = 0;
                do {
                    sent = SendPduSmsByPhone(phone.get(), com.get(), number, body);
                    ++attempts;
                } while (!sent && phone->IsSendPduSmsRetry() && attempts < MAX_SEND_ATTEMPTS);
                result.code = sent ? SMS_CODE_SUCCEED : SMS_CODE_FAILED_UNKNOWN_REASON;
                result.message = SendFailureReason(*phone, *com);
            } else {
                result.code = GetSmsErrorCode(record);
                result.message = GetSmsCodeChineseStr(SMS_CODE_DEVICE_NOT_AT);
            }
            HandleSendSmsResultByMode(result);
        }
    }
}

bool CCheckManager::SendPduSmsByPhone(CPhoneCardBase* phone, CComPortBase* com, std::string number, std::string text)
{
    if (phone == nullptr || com == nullptr || ConvertsToNoCharacter(text) || !com->Open()) {
        return false;
    }
    if (!RunComCmdQuerySMSC(phone, com) || !RunComCmdSetPduMode(phone, com)) {
        return false;
    }
    const std::vector<PDU_LONG_SMS_Base_t> steps = phone->GetSendPduSmsCmdArray(number, text);
    for (const PDU_LONG_SMS_Base_t& step : steps) {
        // Parts already sent cannot be taken back; the attempt just ends.
        if (!RunComCmdSendPduLen(phone, com, step.command) || !RunComCmdSendPduContext(phone, com, step.content)) {
            return false;
        }
    }
    return !steps.empty();
}

std::string CCheckManager::AddTimeStampToSmsContextByPhoneNum(std::string text, std::string number, std::string time)
{
    if (number == "10086" || number == "10010" || number.size() == SERVICE_NUMBER_LEN) {
        return text;
    }
    return text + " " + time;
}

int CCheckManager::GetSmsErrorCode(ComPortBaseInfo_t port)
{
    if (!port.knownPort) {
        return SMS_CODE_NO_SUCH_PORT;
    }
    if (!port.atOk) {
        return SMS_CODE_DEVICE_NOT_AT;
    }
    if (port.serial.empty()) {
        return SMS_CODE_NOT_NORVELT_SMS_DEVICE;
    }
    if (port.number.empty()) {
        return SMS_CODE_NO_SIM_CARD;
    }
    if (port.signal.empty()) {
        return SMS_CODE_NO_SIGNAL;
    }
    // Only ports without a driver come here: however complete the record, nothing was sent.
    return SMS_CODE_FAILED_UNKNOWN_REASON;
}

void CCheckManager::HandleSendSmsResultByMode(SendSmsResult_t result)
{
    if (!plainTextMode) {
        sendResults.push_back(result);
        return;
    }
    if (result.message.empty()) {
        result.message = GetSmsCodeChineseStr(static_cast<SMS_CODE_ENUM>(result.code));
    }
    PrintOneSendSmsResultPlainText(result);
}

void CCheckManager::PrintOneSendSmsResultPlainText(const SendSmsResult_t& result)
{
    if (result.code == SMS_CODE_SUCCEED) {
        CColorCout::CoutGreenMessage("(T)端口 ");
        CColorCout::CoutGreenMessage(PortWithoutDev(result.port));
        CColorCout::CoutGreenMessage(" 发送到 ");
        CColorCout::CoutGreenMessage(result.number);
        CColorCout::CoutGreenMessage(" 的短信发送成功");
    } else {
        CColorCout::CoutRedMessage("(T)端口 ");
        CColorCout::CoutGreenMessage(PortWithoutDev(result.port));
        CColorCout::CoutRedMessage(" 发送到 ");
        CColorCout::CoutRedMessage(result.number);
        CColorCout::CoutRedMessage(" 的短信发送失败,失败原因: ");
        CColorCout::CoutRedMessage(result.message);
    }
    // Each number can take seconds; show its line as soon as it is known.
    std::cout << "\n" << std::flush;
}

void CCheckManager::PrintSendPduSmsResultAsPlainText()
{
    for (const SendSmsResult_t& result : sendResults) {
        if (result.code == SMS_CODE_SUCCEED) {
            CColorCout::CoutGreenMessage("端口 " + result.port + " 发送到 " + result.number + " 的短信发送成功");
        } else {
            CColorCout::CoutRedMessage("端口 " + result.port + " 发送到 " + result.number +
                                       " 的短信发送失败,  失败原因: " + result.message);
        }
        std::cout << "\n";
    }
    std::cout << "\n\n" << std::flush;
}

// ---- end of the send job section ----

// ---------------------------------------------------------------------------------------------
// Read and delete jobs: both storages of a port, the device storage first, through one driver.
// ---------------------------------------------------------------------------------------------

namespace {

constexpr int MAX_READ_NEXT_PASSES = 100;
constexpr int MAX_READ_NEXT_READS = 100;

using SelectStorage = bool (CCheckManager::*)(CPhoneCardBase*, CComPortBase*);

// How far the read of one storage got.
enum class StorageRead {
    NotSelected, // the modem refused or ignored the selection: it has no such storage to read or clear
    Incomplete,  // selected, but the listing failed or a listed message was not fetched
    Complete,
};

// What reading one port gave.
struct PortRead {
    std::vector<SmsRecvStruct_t> device;
    std::vector<SmsRecvStruct_t> sim;
    bool deviceOk = false; // the list holds the storage's messages
    bool simOk = false;
    StorageRead deviceState = StorageRead::NotSelected;
    StorageRead simState = StorageRead::NotSelected;
    std::string failure; // why neither storage could be read
};

// One storage: select it, then read it; its list counts only when both succeeded.
StorageRead ReadStorage(CCheckManager& manager, SelectStorage select, CPhoneCardBase& phone, CComPortBase& com,
                        std::vector<SmsRecvStruct_t>& list, bool& listed)
{
    listed = false;
    if (!(manager.*select)(&phone, &com)) {
        return StorageRead::NotSelected;
    }
    bool complete = false;
    if (!manager.ReadAllSmsByPhoneSM(&phone, &com, &complete)) {
        return StorageRead::Incomplete;
    }
    list = phone.GetReadSms();
    listed = true;
    return complete ? StorageRead::Complete : StorageRead::Incomplete;
}

PortRead ReadPort(CCheckManager& manager, const ComPortBaseInfo_t& record)
{
    PortRead read;
    std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(record.type);
    // A modem without SIM card can still hold messages in its own storage.
    const std::string noSim = record.number.empty() ? GetSmsCodeChineseStr(SMS_CODE_NO_SIM_CARD) : "";
    // Nothing would be written without a driver, and such a record may name "/dev/tty": opening
    // that would leave the user's terminal raw.
    if (!phone) {
        read.failure = noSim.empty() ? GetSmsCodeChineseStr(SMS_CODE_DEVICE_NOT_AT) : noSim;
        return read;
    }
    CComPortBase com(record.port, record.baud);
    com.Open();
    CCheckManager::RunComCmdInitPhone(phone.get(), &com);
    read.deviceState =
        ReadStorage(manager, &CCheckManager::RunComCmdReadME_Sms, *phone, com, read.device, read.deviceOk);
    read.simState = ReadStorage(manager, &CCheckManager::RunComCmdReadSM_Sms, *phone, com, read.sim, read.simOk);
    if (!read.deviceOk && !read.simOk) {
        read.failure = noSim.empty() ? SendFailureReason(*phone, com) : noSim;
    }
    return read;
}

// Reads one fetched message until the driver's judge decides, handing it the whole answer each
// time. A text may itself hold "OK" or line ends, so only the judge can tell the answer is whole.
int ReadNextAnswer(CPhoneCardBase& phone, CComPortBase& com)
{
    std::string answer;
    for (int reads = 0; reads < MAX_READ_NEXT_READS; ++reads) {
        com.ReadAll(answer);
        const int verdict = phone.OnReadNextSmsCmdRsp(answer);
        if (verdict == 0 || verdict == 1) {
            return verdict;
        }
    }
    return 2;
}

void PrintStorageBlock(const char* title, const std::vector<SmsRecvStruct_t>& list, CCheckManager& manager)
{
    CColorCout::CoutGreenMessage(title);
    std::cout << list.size() << " 条\n";
    manager.PrintRecvSms(list);
}

} // namespace

void CCheckManager::HandleReadAllSms(const std::vector<ComPortBaseInfo_t>& ports)
{
    for (const ComPortBaseInfo_t& record : ports) {
        const PortRead read = ReadPort(*this, record);
        const std::string name = PortWithoutDev(record.port);
        if (!read.deviceOk && !read.simOk) {
            CColorCout::CoutRedMessage("端口 " + name + " 接收短信失败");
            CColorCout::CoutRedMessage("\t 失败原因: ");
            CColorCout::CoutRedMessage(read.failure);
            std::cout << "\n" << std::flush;
            continue;
        }
        const unsigned total = static_cast<unsigned>(read.sim.size() + read.device.size());
        CColorCout::CoutGreenMessage("端口 " + name + " 接收短信成功 共 " + std::to_string(total) + " 条短信");
        std::cout << "\n" << std::flush;
        // The SIM block first, although the device storage was read first.
        if (read.simOk) {
            PrintStorageBlock("SIM卡中的短信共 ", read.sim, *this);
        }
        if (read.deviceOk) {
            PrintStorageBlock("设备中的短信共 ", read.device, *this);
        }
    }
}

bool CCheckManager::GetPortSMS(ComPortBaseInfo_t port, std::vector<SmsRecvStruct_t>& deviceSms,
                               std::vector<SmsRecvStruct_t>& simSms, SmsStorages* deletable)
{
    PortRead read = ReadPort(*this, port);
    if (read.deviceOk) {
        deviceSms = std::move(read.device);
    }
    if (read.simOk) {
        simSms = std::move(read.sim);
    }
    if (deletable != nullptr) {
        deletable->device = read.deviceState == StorageRead::Complete;
        deletable->sim = read.simState == StorageRead::Complete;
    }
    const bool cutShort = read.deviceState == StorageRead::Incomplete || read.simState == StorageRead::Incomplete;
    const bool readWhole = read.deviceState == StorageRead::Complete || read.simState == StorageRead::Complete;
    return !cutShort && readWhole;
}

bool CCheckManager::DelPortSMS(ComPortBaseInfo_t port, SmsStorages storages)
{
    std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(port.type);
    if (!phone) {
        return false;
    }
    CComPortBase com(port.port, port.baud);
    if (!com.Open()) {
        return false;
    }
    // The delete-all command empties the selected storage only, so each storage is selected in
    // turn; one that cannot be selected is not there and holds nothing.
    bool selected = false;
    bool deleted = true;
    if (storages.device && RunComCmdReadME_Sms(phone.get(), &com)) {
        selected = true;
        deleted = RunComCmdDelAllSms(phone.get(), &com) && deleted;
    }
    if (storages.sim && RunComCmdReadSM_Sms(phone.get(), &com)) {
        selected = true;
        deleted = RunComCmdDelAllSms(phone.get(), &com) && deleted;
    }
    com.Close();
    return selected && deleted;
}

bool CCheckManager::ReadAllSmsByPhoneSM(CPhoneCardBase* phone, CComPortBase* com, bool* complete)
{
    if (complete != nullptr) {
        *complete = false;
    }
    if (phone == nullptr || com == nullptr || !com->Open()) {
        return false;
    }
    if (!RunComCmdSetPduMode(phone, com) || !RunComCmdSetRecvSmsCompatibleMode(phone, com) ||
        !RunComCmdReadAllSmsToPhone(phone, com)) {
        return false;
    }
    // The drivers that list first fetch one message per command; a message whose answer never
    // came whole was not taken, and the storage still holds it.
    bool everyMessageFetched = true;
    for (int passes = 0; phone->NotFinished() && passes < MAX_READ_NEXT_PASSES; ++passes) {
        com->Write(phone->GetReadNextSmsCmd());
        everyMessageFetched = ReadNextAnswer(*phone, *com) == 0 && everyMessageFetched;
    }
    if (complete != nullptr) {
        *complete = everyMessageFetched && !phone->NotFinished();
    }
    return true;
}

void CCheckManager::PrintRecvSms(std::vector<SmsRecvStruct_t> list)
{
    PrintSmsRecvList(list);
    std::cout << std::flush;
}

bool CCheckManager::DeleteAllSmsByPhone(CPhoneCardBase* phone, CComPortBase* com)
{
    if (phone == nullptr || com == nullptr || !com->Open()) {
        return false;
    }
    const bool deleted = RunComCmdDelAllSms(phone, com);
    com->Close();
    return deleted;
}

bool CCheckManager::ReadAllSmsByPhoneME(CPhoneCardBase* phone, CComPortBase* com)
{
    if (phone != nullptr && com != nullptr) {
        com->Open();
    }
    return false;
}

// ---- end of the read and delete jobs section ----

// ---------------------------------------------------------------------------------------------
// Command-line send: two or three words, one JSON document on standard output.
// ---------------------------------------------------------------------------------------------

namespace {

// Outcomes of HandleCmdParams.
constexpr int CMD_PORT_ERROR = 0;
constexpr int CMD_NUMBER_ERROR = 1;
constexpr int CMD_PARAM_COUNT_ERROR = 2;
constexpr int CMD_SENT = 3;

// The error documents, indexed by outcome.
const char* const CMD_ERROR_DOCUMENTS[] = {
    "{\"code\":1,\"message\":\"com port error\",\"result\":[]}",
    "{\"code\":2,\"message\":\"phone number error\",\"result\":[]}",
    "{\"code\":3,\"message\":\"param count error\",\"result\":[]}",
};

void PrintJsonDocument(const Json::Value& document)
{
    std::cout << document.toStyledString() << "\n" << std::flush;
}

} // namespace

void CCheckManager::OnCmdParams(int argc, char* argv[])
{
    plainTextMode = false;
    const int outcome = HandleCmdParams(argc, argv);
    if (outcome == CMD_SENT) {
        PrintSendPduSmsResultAsJson();
        return;
    }
    Json::Reader reader;
    Json::Value document;
    if (outcome >= CMD_PORT_ERROR && outcome <= CMD_PARAM_COUNT_ERROR &&
        reader.parse(CMD_ERROR_DOCUMENTS[outcome], document)) {
        PrintJsonDocument(document);
    }
}

int CCheckManager::HandleCmdParams(int argc, char* argv[])
{
    std::string portText;
    std::string numberText;
    std::string text;
    if (argc == 3) {
        numberText = argv[1];
        text = argv[2];
    } else if (argc == 4) {
        portText = argv[1];
        numberText = argv[2];
        text = argv[3];
    } else {
        return CMD_PARAM_COUNT_ERROR;
    }
    text = RemoveDoubleQuotationMarksOfStringBothSide(text);
    OnScanPort();
    const std::vector<std::string> numbers = SplitUserPhoneNumber(numberText);
    if (numbers.empty()) {
        return CMD_NUMBER_ERROR;
    }
    std::vector<ComPortBaseInfo_t> ports;
    if (!InputToSendPduSmsComPort(portText, ports)) {
        return CMD_PORT_ERROR;
    }
    InputToSendPduSmsContext(text);
    HandleSendPduSmsProcess(ports, numbers, text);
    return CMD_SENT;
}

void CCheckManager::PrintSendPduSmsResultAsJson()
{
    Json::Value document;
    Json::ArrayIndex index = 0;
    for (const SendSmsResult_t& result : sendResults) {
        Json::Value element;
        element["code"] = result.code;
        element["com"] = PortWithoutDev(result.port);
        // A failure text can hold whatever bytes the modem sent.
        element["message"] = result.code == SMS_CODE_FAILED_UNKNOWN_REASON
                                 ? ToValidUtf8(result.message)
                                 : GetSmsCodeEnglishStr(static_cast<SMS_CODE_ENUM>(result.code));
        element["number"] = ToValidUtf8(result.number);
        element["time"] = result.time;
        document["result"][index++] = element;
    }
    document["code"] = 0;
    document["message"] = "param is ok";
    PrintJsonDocument(document);
}

// ---- end of the command-line send section ----

// ---------------------------------------------------------------------------------------------
// Command-line stored-message modes: "sms" and a mode word, one JSON document on standard output.
// ---------------------------------------------------------------------------------------------

namespace {

enum class SmsJob { Read, Clear, ReadClear };

struct SmsModeWord {
    const char* word;
    SmsJob job;
    bool oneLine;
};

const SmsModeWord SMS_MODE_WORDS[] = {
    {"read", SmsJob::Read, false},       {"clear", SmsJob::Clear, false}, {"readclear", SmsJob::ReadClear, false},
    {"sread", SmsJob::Read, true},       {"sclear", SmsJob::Clear, true}, {"sreadclear", SmsJob::ReadClear, true},
};

const SmsModeWord* FindSmsModeWord(const std::string& word)
{
    for (const SmsModeWord& entry : SMS_MODE_WORDS) {
        if (word == entry.word) {
            return &entry;
        }
    }
    return nullptr;
}

Json::Value MessageObject(const SmsRecvStruct_t& sms, const char* storage)
{
    Json::Value message;
    message["from"] = ToValidUtf8(sms.from);
    message["storage"] = storage;
    message["text"] = ToValidUtf8(sms.text);
    message["time"] = ToValidUtf8(sms.time);
    return message;
}

} // namespace

void CCheckManager::OnCmdSMS(const std::string& mode)
{
    // The scan's diagnostic lines would break the document.
    g_bShowExtend = false;
    const SmsModeWord* entry = FindSmsModeWord(mode);
    const time_t start = time(nullptr);
    Json::Value document;
    document["type"] = ToValidUtf8(mode);
    document["check"] = entry != nullptr ? 1 : 0;
    if (entry != nullptr) {
        OnScanPort();
        std::vector<ComPortBaseInfo_t> ports;
        GetPortList(ports);
        document["portcount"] = static_cast<Json::UInt>(ports.size());
        for (const ComPortBaseInfo_t& port : ports) {
            Json::Value object;
            object["name"] = ToValidUtf8(PortWithoutDev(port.port));
            if (entry->job == SmsJob::Clear) {
                object["clear"] = DelPortSMS(port);
                document["ports"].append(object);
                continue;
            }
            std::vector<SmsRecvStruct_t> deviceSms;
            std::vector<SmsRecvStruct_t> simSms;
            SmsStorages readWhole;
            const bool complete = GetPortSMS(port, deviceSms, simSms, &readWhole);
            object["msgcount"] = static_cast<Json::UInt>(simSms.size() + deviceSms.size());
            for (const SmsRecvStruct_t& sms : simSms) {
                object["msgs"].append(MessageObject(sms, "SIM"));
            }
            for (const SmsRecvStruct_t& sms : deviceSms) {
                object["msgs"].append(MessageObject(sms, "DEV"));
            }
            // Messages that were never reported must not be deleted.
            if (entry->job == SmsJob::ReadClear) {
                object["clear"] = complete && DelPortSMS(port, readWhole);
            }
            document["ports"].append(object);
        }
    }
    document["seconds"] = static_cast<Json::Int64>(time(nullptr) - start);
    const std::string text =
        entry != nullptr && entry->oneLine ? Json::FastWriter().write(document) : document.toStyledString();
    std::cout << text << "\n" << std::flush;
}

void CCheckManager::GetPortList(std::vector<ComPortBaseInfo_t>& ports)
{
    ports.clear();
    const std::vector<std::unique_ptr<CPhoneCardBase>> phones = CreateAllPhonesInPriorityOrder();
    for (const Win32::CommInfo& row : commInfoList) {
        // Only fully identified modems: a row without SIM, serial or signal is left out.
        if (row.atOk && !row.number.empty() && !row.serial.empty() && !row.signal.empty()) {
            ports.push_back(PortFromRow(row, PhoneTypeOfAti(phones, row.ati)));
        }
    }
}

// ---- end of the command-line stored-message section ----
