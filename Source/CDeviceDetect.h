// The record one probe of a port leaves in the scan list, and the probe's thread entry.
#ifndef ZAVRIX_CDEVICEDETECT_H
#define ZAVRIX_CDEVICEDETECT_H

#include <string>

#include "Define.h"

struct DeviceBaseComInfo {
    char port[32] = {0};
    int baud = 0;
    int type = PHONE_TYPE_BASE;
    char number[64] = {0};
    char signal[64] = {0};
    char serial[64] = {0};
    // A longer identification answer is shortened so that it still names the same device type.
    char ati[512] = {0};
    bool atFound = false;
    bool probed = false;
    int modeconfig = 0;
    int rssi = 99;
    int ber = 0;
    std::string cops;

    // Reads "rssi,ber" from signal; a number that cannot be read keeps its field.
    int regetRssi();
};

// The whole standard output of a shell command; empty when it cannot be started.
std::string cmd_system(const char* command);

// Probes one port at 9600, then 115200 baud, and appends its record to CCheckManager::g_comVec.
void GetInfoOnPort(const std::string& path);

// Thread entry of one probe: the argument is the port path as a zero-terminated text.
void* ThreadFunc(void* path);

// Byte order of the port paths.
bool LessDeviceBaseComInfo(const DeviceBaseComInfo& a, const DeviceBaseComInfo& b);

#endif
