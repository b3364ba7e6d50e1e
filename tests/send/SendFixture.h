// Helpers of the send tests: simulated modems on pseudo-terminals, port records pointing at them,
// the message bodies a modem received, decoded by the independent PDU library.
#ifndef ZAVRIX_TESTS_SEND_SENDFIXTURE_H
#define ZAVRIX_TESTS_SEND_SENDFIXTURE_H

#include <gtest/gtest.h>
#include <json/json.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CaptureStdout.h"
#include "Oracle.h"
#include "CCheckManager.h"
#include "ComPortBase.h"
#include "Modem.h"

namespace sendtest {

// Once per process, as the tool does at start-up: without it no port gets its line settings.
inline void StartSerialFramework()
{
    static const int started = CComPortBase::ResetAllComPort();
    (void)started;
}

inline std::unique_ptr<simmodem::Modem> StartModem(const simmodem::ModemConfig& config)
{
    StartSerialFramework();
    std::string error;
    std::unique_ptr<simmodem::Modem> modem = simmodem::Modem::Start(config, error);
    EXPECT_TRUE(modem) << error;
    return modem;
}

inline std::unique_ptr<simmodem::Modem> StartModem(PHONE_TYPE_t type = PHONE_TYPE_KL48_FT_ON)
{
    return StartModem(simmodem::ModemConfig::ForType(type));
}

// The record a scan makes of a fully identified modem.
inline ComPortBaseInfo_t RecordOf(const simmodem::Modem& modem)
{
    ComPortBaseInfo_t record;
    record.port = modem.SlavePath();
    record.baud = 115200;
    record.atOk = true;
    record.number = modem.Config().sim ? modem.Config().iccid : "";
    record.signal = " 23,99";
    record.serial = modem.Config().serial;
    record.type = modem.Config().type;
    return record;
}

// The message bodies the modem received, without their Ctrl-Z.
inline std::vector<std::string> Bodies(const simmodem::Modem& modem)
{
    std::vector<std::string> bodies;
    for (const simmodem::TranscriptEntry& entry : modem.Transcript()) {
        if (entry.body) {
            std::string text = entry.text;
            if (!text.empty() && text.back() == '\x1A') {
                text.pop_back();
            }
            bodies.push_back(text);
        }
    }
    return bodies;
}

inline int CountHeard(const simmodem::Modem& modem, const std::string& prefix)
{
    int count = 0;
    for (const std::string& unit : modem.Heard()) {
        count += unit.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return count;
}

// One message as the independent library reads its parts.
struct Delivered {
    bool ok = false;
    std::string number;
    std::string text;   // the parts' texts joined in sequence order
    int parts = 0;
    std::string error;  // what was wrong with the parts, when not ok
};

// Decodes bodies that make up one message: a single PDU, or parts with one reference and
// sequence numbers 1..P in order.
inline Delivered DecodeMessage(const std::vector<std::string>& bodies)
{
    Delivered message;
    Json::Value decoded = oracle::Decode(bodies);
    if (!decoded.isArray() || decoded.size() != bodies.size() || bodies.empty()) {
        message.error = "the oracle gave no answer for every body";
        return message;
    }
    message.parts = static_cast<int>(bodies.size());
    for (Json::ArrayIndex i = 0; i < decoded.size(); ++i) {
        const Json::Value& pdu = decoded[i];
        if (!pdu["ok"].asBool() || pdu["type"].asString() != "Submit" || pdu["coding"].asString() != "ucs2") {
            message.error = "body " + std::to_string(i) + " is no UCS-2 SMS-SUBMIT: " + pdu.toStyledString();
            return message;
        }
        const Json::Value& concat = pdu["concat"];
        if (bodies.size() > 1) {
            if (concat.isNull() || concat["total"].asInt() != message.parts ||
                concat["seq"].asInt() != static_cast<int>(i) + 1 ||
                concat["ref"].asInt() != decoded[0]["concat"]["ref"].asInt()) {
                message.error = "part " + std::to_string(i) + " has a wrong header: " + pdu.toStyledString();
                return message;
            }
        }
        if (i > 0 && pdu["number"].asString() != message.number) {
            message.error = "the parts go to different numbers";
            return message;
        }
        message.number = pdu["number"].asString();
        message.text += pdu["text"].asString();
    }
    message.ok = true;
    return message;
}

// Standard output of a call, colour codes removed.
template <typename Call>
std::string CaptureConsole(Call call)
{
    std::string text = CaptureStdout(call);
    for (std::size_t at = text.find("\x1b["); at != std::string::npos; at = text.find("\x1b[", at)) {
        text.erase(at, text.find('m', at) + 1 - at);
    }
    return text;
}

} // namespace sendtest

#endif
