#include "CDeviceDetect.h"

#include <cstdio>

int DeviceBaseComInfo::regetRssi()
{
    sscanf(signal, "%d,%d", &rssi, &ber);
    return rssi;
}
