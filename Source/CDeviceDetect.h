// The record one probe of a port leaves in the scan list.
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

#endif
