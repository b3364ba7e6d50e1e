// One row of the device table.
#ifndef ZAVRIX_BASIC_H
#define ZAVRIX_BASIC_H

#include <string>

namespace Win32 {

struct CommInfo {
    bool atOk = false;   // a driver identified a modem on the port
    bool portOk = false; // always equal to atOk
    std::string port;    // "/dev/ttyUSB0"
    std::string number;  // SIM card number
    std::string baud;    // decimal text
    std::string serial;
    std::string signal;
    std::string ati;     // identification answer as the scan stored it
};

} // namespace Win32

#endif
