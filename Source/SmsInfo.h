// Records of the stored-message path: where a message is stored, the message as decoded before
// the parts of a long message are joined, and the message as shown to the user.
#ifndef ZAVRIX_SMSINFO_H
#define ZAVRIX_SMSINFO_H

#include <cstring>
#include <string>

#include "Sms.h"

struct SmsMode {
    int index = -1;  // storage index; -1 not parsed
    int status = -1; // 0 unread, 1 read, 2 unsent, 3 sent; -1 not parsed
};

struct SmsInfo {
    SmsInfo() { std::memset(&param, 0, sizeof(param)); }

    SmsMode mode;
    // Zeroed first, so a field the decoder does not write for a message reads as zero or empty.
    SM_PARAM param;
};

struct SmsRecvStruct_t {
    std::string from; // sender (destination of a stored outgoing message)
    std::string time;
    std::string text; // UTF-8

    bool IsOk() const { return !from.empty() && !time.empty() && !text.empty(); }
    void Reset()
    {
        from.clear();
        time.clear();
        text.clear();
    }
};

#endif
