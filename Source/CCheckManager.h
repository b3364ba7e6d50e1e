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

// The outcome for one number on one port.
struct SendSmsResult_t {
    std::string port;
    std::string number;
    std::string time;
    int code;
    std::string message;
};

class CCheckManager {
public:
    static std::vector<DeviceBaseComInfo> g_comVec;

    CCheckManager();
    ~CCheckManager();

    static void InitLog();
    // Ends the process with status 1 unless run as root; starts the serial framework.
    static void InitConsoleSize();
    static void OnAbout();
    void PrintHelpInfo();

    void Start();
    void OnCmdParams(int argc, char* argv[]);
    void OnCmdSMS(const std::string& mode);

private:
    std::vector<Win32::CommInfo> commInfoList;
    std::string scanTimeText;
    std::vector<SendSmsResult_t> sendResults;
    bool plainTextMode = true;
};

#endif
