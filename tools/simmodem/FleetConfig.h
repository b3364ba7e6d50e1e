// The modems of a fleet described in JSON, for the zavrix-simmodem program:
//   {"modems": [{"usb": 0, "type": 3, ...}, ...]}
// Each modem object takes "usb" (its /dev/ttyUSB number, required), "type" (2 to 8, required) and
// any of the ModemConfig members: "sim", "iccid", "serial", "rssi", "ber", "centre", "operator",
// "modeconfig", "rates" (array of speeds), "wrongRate" ("silent" or "garbage"), "echo", "ati",
// "sms" (array of {"storage", "index", "status", "pdu"}), "cdma" (array of {"storage", "index",
// "status", "sender", "time", "format", "text"}) and "faults" (array of {"kind": "silence" |
// "garbage" | "replace" | "delay" | "split" | "hangup" | "bodyError", "on", "times", "bytes",
// "pauseMs", "text", "number"}). Texts in "ati" and a fault's "text" take the escapes of
// UnescapeBytes. Unknown members are errors, so that a misspelt one is not silently ignored.
#ifndef SIMMODEM_FLEETCONFIG_H
#define SIMMODEM_FLEETCONFIG_H

#include <string>
#include <vector>

#include "ModemConfig.h"

namespace simmodem {

struct FleetEntry {
    int usb = 0;
    ModemConfig config;
};

// False with `error` naming the place when the text is not a valid fleet.
bool ParseFleet(const std::string& json, std::vector<FleetEntry>& fleet, std::string& error);

} // namespace simmodem

#endif
