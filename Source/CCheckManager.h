// The controller of the whole tool: start-up, the menu, the scan, the jobs and the command-line modes.
#ifndef ZAVRIX_CCHECKMANAGER_H
#define ZAVRIX_CCHECKMANAGER_H

#include <pthread.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CDeviceDetect.h"
#include "basic.h"

constexpr int MAX_INPUT_TRY_COUNT = 3;
constexpr int MAX_PHONE_LEN = 30;
constexpr int KEY_VALUE_ENTER = 13;
constexpr int KEY_VALUE_NUM_1 = 49;
constexpr int KEY_VALUE_NUM_2 = 50;
constexpr int KEY_VALUE_CHAR_Q = 113;
constexpr int KEY_VALUE_CHAR_D = 100;
constexpr int LINUX_SLEEP = 1000; // microseconds between two reads of an AT exchange

// Guards every access to CCheckManager::g_comVec.
extern pthread_mutex_t vecLock;
// Shows the scan's mode-configuration lines; the stored-message modes switch it off.
extern bool g_bShowExtend;

// Wall clock in microseconds, and a sleep until an absolute time of that clock.
uint64_t time_usec2();
int usleep_until2(uint64_t target);

class CComPortBase;
class CPhoneCardBase;
struct SmsRecvStruct_t;

// The outcome for one number on one port.
struct SendSmsResult_t {
    std::string port;
    std::string number;
    std::string time;
    int code;
    std::string message;
};

// One port chosen for a job.
struct ComPortBaseInfo_t {
    std::string port;
    int baud = 9600;
    bool atOk = false;
    std::string number;
    std::string signal;
    std::string serial;
    int type = 1;           // PHONE_TYPE_t; 1 gives no driver
    bool knownPort = true;  // false for a typed port that matched no scanned row
};

// The two stored-message storages of a modem: which ones a delete covers, or which were read whole.
struct SmsStorages {
    bool device = true;
    bool sim = true;
};

class CCheckManager {
public:
    static std::vector<DeviceBaseComInfo> g_comVec;

    CCheckManager();
    ~CCheckManager();

    // Start-up, help and version.
    static void InitLog();
    // Ends the process with status 1 unless run as root; starts the serial framework.
    static void InitConsoleSize();
    static void OnAbout();
    void PrintHelpInfo();

    // AT exchanges: the driver gives the command and judges the answer, the loop owns the reads.
    static void RunComCmdInitPhone(CPhoneCardBase* phone, CComPortBase* com);
    bool RunComCmdDelAllSms(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdQuerySMSC(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdAT(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdATI(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdGetSerialNumber(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdSendPduContext(CPhoneCardBase* phone, CComPortBase* com, std::string text);
    static bool RunComCmdSendPduLen(CPhoneCardBase* phone, CComPortBase* com, std::string text);
    static bool RunComCmdReadAllSmsToPhone(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdSetRecvSmsCompatibleMode(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdSetPduMode(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdGetSmsCardNumber(CPhoneCardBase* phone, CComPortBase* com);
    bool RunComCmdReadME_Sms(CPhoneCardBase* phone, CComPortBase* com);
    bool RunComCmdReadSM_Sms(CPhoneCardBase* phone, CComPortBase* com);
    static bool RunComCmdGetSignalStrength(CPhoneCardBase* phone, CComPortBase* com);

    // Device detection.
    static std::vector<DeviceBaseComInfo> DetectAllDevice();
    static std::vector<std::string> GetAllComPort();
    static void RunCommCmdGetModeConfig(CComPortBase* com, DeviceBaseComInfo& info);
    static void RunCommCmdGetCOPS(CComPortBase* com, DeviceBaseComInfo& info);
    static void RunCommCmdResetModeConfig(CComPortBase* com, DeviceBaseComInfo& info);
    static std::string getRightString(const char* text, const char* key);

    // Interactive menu and device table.
    void Start();
    int PrintBaseMenu();
    void PrintAllDevice();
    // The table of commInfoList as it is, no scan; trims the rows' texts in place.
    void PrintDeviceTable();
    void OnScanPort();

    // Interactive dialogues and port selection.
    void OnSendPDUSms();
    void OnReadAllSms();
    void OnDelAllSms();
    bool InputCheckSendPduSmsPhoneNumbers(std::vector<std::string>& numbers);
    bool InputCheckSendPduSmsComPorts(std::vector<ComPortBaseInfo_t>& ports);
    bool InputReadAllSmsComPort(std::vector<ComPortBaseInfo_t>& ports);
    bool InputCheckSendPduSmsContext(std::string& text);
    bool InputToSendPduSmsContext(std::string& text);
    bool InputToSendPduSmsComPort(const std::string& portText, std::vector<ComPortBaseInfo_t>& ports);
    std::vector<std::string> SplitUserPhoneNumber(std::string numbers);
    bool CheckReceiveNumber(std::string number);
    std::string RemoveDoubleQuotationMarksOfStringBothSide(std::string text);
    std::vector<std::string> SplitComPorts(std::string ports);

    // Send job.
    void HandleSendPduSmsProcess(const std::vector<ComPortBaseInfo_t>& ports,
                                 const std::vector<std::string>& numbers, const std::string& text);
    bool SendPduSmsByPhone(CPhoneCardBase* phone, CComPortBase* com, std::string number, std::string text);
    std::string AddTimeStampToSmsContextByPhoneNum(std::string text, std::string number, std::string time);
    int GetSmsErrorCode(ComPortBaseInfo_t port);
    void HandleSendSmsResultByMode(SendSmsResult_t result);
    void PrintOneSendSmsResultPlainText(const SendSmsResult_t& result);
    void PrintSendPduSmsResultAsPlainText();

    // Read and delete jobs.
    void HandleReadAllSms(const std::vector<ComPortBaseInfo_t>& ports);
    // True when the read completed: no storage was cut short and at least one was read whole.
    // `deletable` tells which storages were read whole.
    bool GetPortSMS(ComPortBaseInfo_t port, std::vector<SmsRecvStruct_t>& deviceSms,
                    std::vector<SmsRecvStruct_t>& simSms, SmsStorages* deletable = nullptr);
    // Empties each chosen storage the modem can select; true when one was and every delete succeeded.
    bool DelPortSMS(ComPortBaseInfo_t port, SmsStorages storages = SmsStorages());
    // `complete`, when given, tells whether every message the listing named was fetched.
    bool ReadAllSmsByPhoneSM(CPhoneCardBase* phone, CComPortBase* com, bool* complete = nullptr);
    void PrintRecvSms(std::vector<SmsRecvStruct_t> list);
    bool DeleteAllSmsByPhone(CPhoneCardBase* phone, CComPortBase* com);
    bool ReadAllSmsByPhoneME(CPhoneCardBase* phone, CComPortBase* com);

    // Command-line modes.
    void OnCmdParams(int argc, char* argv[]);
    int HandleCmdParams(int argc, char* argv[]);
    void PrintSendPduSmsResultAsJson();
    void OnCmdSMS(const std::string& mode);
    void GetPortList(std::vector<ComPortBaseInfo_t>& ports);

    // Open so that tests can give the port selection and the jobs the rows of a scan.
    std::vector<Win32::CommInfo> commInfoList;
    std::string scanTimeText;
    std::vector<SendSmsResult_t> sendResults;
    bool plainTextMode = true;
};

// One raw key press from standard input; -1 when the terminal cannot be set or input has ended.
int getchLinux();
// The part of a device path after "tty": "USB0" for "/dev/ttyUSB0".
std::string GetPortId(const std::string& path);
bool IsDigitString(const std::string& text);

#endif
