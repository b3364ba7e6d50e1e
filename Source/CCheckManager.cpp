#include "CCheckManager.h"

#include <sys/time.h>
#include <unistd.h>

#include <iostream>

#include "CColorCout.h"
#include "ComPortBase.h"

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
