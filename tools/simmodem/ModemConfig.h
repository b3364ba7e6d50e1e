// What one simulated modem is: its device type, SIM card, identity, radio, stored messages and the
// faults it shows on the line.
#ifndef SIMMODEM_MODEMCONFIG_H
#define SIMMODEM_MODEMCONFIG_H

#include <cstddef>
#include <string>
#include <vector>

#include "Define.h"

namespace simmodem {

// A message stored as the GSM types keep it: status and PDU in hex, service-centre field first.
struct StoredPdu {
    std::string storage = "SM"; // "SM" (SIM card) or "ME" (the modem's own memory)
    int index = -1;             // -1: the next free index of the storage, from 0
    int status = 1;             // 0 received unread, 1 received read, 2 stored unsent, 3 stored sent
    std::string pdu;
};

// A message stored by the CDMA type (7), read back with "AT^HCMGR=".
struct CdmaRecord {
    std::string storage = "SM";
    int index = -1;
    int status = 1;
    std::string sender;
    std::string time = "2020-07-29 10:30:00"; // YYYY-MM-DD hh:mm:ss
    int format = 6;                           // 1: the text's bytes as they are, 6: UCS-2
    std::string text;                         // UTF-8
};

enum class FaultKind {
    Silence, // the answer is not sent
    Garbage, // `bytes` bytes of noise instead of the answer
    Replace, // `text` instead of the answer
    Delay,   // the answer comes `pauseMs` late
    Split,   // the answer in pieces of `bytes` bytes, `pauseMs` apart
    HangUp,  // the first `bytes` bytes of the answer, then the modem closes its side of the line
};

// A fault applies to every received unit whose text begins with `on` (compared without regard to
// letter case); ">" names the message bodies written after the prompt, an empty `on` every unit.
// Faults that change what is sent (silence, garbage, replace) act before those that change how
// it is sent (delay, split, hang-up); several of each kind on one unit: the last one listed wins.
struct Fault {
    FaultKind kind = FaultKind::Silence;
    std::string on;
    int times = -1; // units it still affects; -1: all
    std::size_t bytes = 0;
    int pauseMs = 0;
    std::string text;

    static Fault Silence(std::string on = "", int times = -1);
    static Fault Garbage(std::string on, std::size_t bytes, int times = -1);
    static Fault Replace(std::string on, std::string text, int times = -1);
    static Fault Delay(std::string on, int pauseMs, int times = -1);
    static Fault Split(std::string on, std::size_t pieceBytes, int pauseMs, int times = -1);
    static Fault HangUp(std::string on, std::size_t bytesBefore);
    // "+CMS ERROR: <number>" on message bodies.
    static Fault BodyError(int number, int times = -1);
};

struct ModemConfig {
    PHONE_TYPE_t type = PHONE_TYPE_KL48_FT_ON;
    bool sim = true;
    std::string iccid = "89860012345678901234";
    std::string serial = "867584030000001"; // IMEI; the CDMA type reports an 8-hex-digit ESN
    int rssi = 23;
    int ber = 99;
    std::string centre = "+8613800100500";
    std::string operatorName = "CHINA MOBILE";
    int modeConfig = 2; // the type-2 "^MODECONFIG" value; -1 answers ERROR
    std::vector<int> rates; // line speeds it answers at; empty: every speed
    bool garbageOnWrongRate = false; // else a wrong speed gets silence
    bool echo = true;
    std::string ati; // empty: the type's reference answer
    std::vector<StoredPdu> pdus;
    std::vector<CdmaRecord> cdma;
    std::vector<Fault> faults;

    // The defaults with the type's own serial-number form.
    static ModemConfig ForType(PHONE_TYPE_t type);
};

// The type's answer to "ATI", from its first line end to its final "OK", with `serial` where the
// modem shows its serial number; empty for a type that is none of the seven.
std::string ReferenceAti(PHONE_TYPE_t type, const std::string& serial);

} // namespace simmodem

#endif
