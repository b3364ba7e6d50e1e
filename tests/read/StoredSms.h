// Stored messages for the simulated modems, and the stored-message document read back.
#ifndef ZAVRIX_TESTS_READ_STOREDSMS_H
#define ZAVRIX_TESTS_READ_STOREDSMS_H

#include <json/json.h>

#include <cstdio>
#include <memory>
#include <string>

#include "AtDialogue.h"
#include "ModemConfig.h"

namespace storedsms {

// 2024-01-13 12:32:52 as the service centre stamps it, and as the tool shows it.
const char* const STAMP = "42103121232500";
const char* const SHOWN_TIME = "24-01-13 12:32:52";

struct Part {
    int ref = 0;
    int total = 0;
    int seq = 0; // 0: a single message
};

inline std::string Hex(const std::string& bytes)
{
    std::string hex;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02X", c);
        hex += two;
    }
    return hex;
}

// Digits as swapped semi-octets, "F" filling an odd count.
inline std::string Semi(std::string digits)
{
    if (digits.size() % 2 != 0) {
        digits += 'F';
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::swap(digits[i], digits[i + 1]);
    }
    return digits;
}

// An SMS-DELIVER from an international sender (digits without "+"), service-centre field first.
// `ucs2` codes the UTF-8 text as UCS-2, else its bytes go out as 8-bit data unchanged.
inline std::string Deliver(const std::string& sender, const std::string& text, Part part = Part(), bool ucs2 = true)
{
    const std::string centre = Semi("8613800100500");
    std::string user = ucs2 ? simmodem::Utf8ToUcs2(text) : text;
    if (part.seq > 0) {
        user = std::string("\x05\x00\x03", 3) + static_cast<char>(part.ref) + static_cast<char>(part.total) +
               static_cast<char>(part.seq) + user;
    }
    char head[16];
    std::snprintf(head, sizeof head, "%02X91", static_cast<unsigned>(centre.size() / 2 + 1));
    std::string pdu = head + centre;
    pdu += part.seq > 0 ? "44" : "04";
    std::snprintf(head, sizeof head, "%02X91", static_cast<unsigned>(sender.size()));
    pdu += head + Semi(sender) + "00" + (ucs2 ? "08" : "04") + STAMP;
    std::snprintf(head, sizeof head, "%02X", static_cast<unsigned>(user.size()));
    return pdu + head + Hex(user);
}

inline simmodem::StoredPdu Stored(const char* storage, int index, std::string pdu)
{
    simmodem::StoredPdu stored;
    stored.storage = storage;
    stored.index = index;
    stored.pdu = std::move(pdu);
    return stored;
}

inline simmodem::CdmaRecord Cdma(const char* storage, const std::string& sender, const std::string& text)
{
    simmodem::CdmaRecord record;
    record.storage = storage;
    record.sender = sender;
    record.text = text;
    return record;
}

// The whole output as one JSON document; a null value when it is not one.
inline Json::Value ParseDocument(const std::string& text, std::string& error)
{
    Json::Value document;
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &document, &error)) {
        return Json::Value();
    }
    return document;
}

} // namespace storedsms

#endif
