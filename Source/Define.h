// Enumerations shared by the drivers, the codec and the application, with their display texts.
#ifndef ZAVRIX_DEFINE_H
#define ZAVRIX_DEFINE_H

#include <string>

enum PHONE_TYPE_t : int {
    PHONE_TYPE_UN_KNOWN = 0,
    PHONE_TYPE_BASE = 1,
    PHONE_TYPE_K7040_NC5 = 2,
    PHONE_TYPE_KL48_FT_ON = 3,
    PHONE_TYPE_K7040_ME = 4,
    PHONE_TYPE_KG520_ON = 5,
    PHONE_TYPE_K3350B_FT_ON = 6,
    PHONE_TYPE_KC640_ON = 7,
    PHONE_TYPE_KH900 = 8,
};

enum SMS_CODE_ENUM : int {
    SMS_CODE_SUCCEED = 0,
    SMS_CODE_FAILED_UNKNOWN_REASON = 1,
    SMS_CODE_DEVICE_NOT_AT = 2,
    SMS_CODE_NOT_NORVELT_DEVICE = 3,
    SMS_CODE_NO_SIM_CARD = 4,
    SMS_CODE_NO_SIGNAL = 5,
    SMS_CODE_NO_SUCH_PORT = 6,
    SMS_CODE_NOT_NORVELT_SMS_DEVICE = 7,
};

// Looked up by the value read as unsigned, so negative values take the default text.
inline std::string PhoneTypeToString(PHONE_TYPE_t type)
{
    switch (static_cast<unsigned>(type)) {
    case PHONE_TYPE_UN_KNOWN: return "PHONE_TYPE_UN_KNOWN";
    case PHONE_TYPE_K7040_NC5: return "K7040_NC5";
    case PHONE_TYPE_KL48_FT_ON: return "KL48-FT-ON";
    case PHONE_TYPE_K7040_ME: return "K7040_ME";
    case PHONE_TYPE_KG520_ON: return "KG520_ON";
    case PHONE_TYPE_K3350B_FT_ON: return "K3350B_FT_ON";
    case PHONE_TYPE_KC640_ON: return "KC640_ON";
    default: return "TYPE_UNKNOWN";
    }
}

inline std::string GetSmsCodeEnglishStr(SMS_CODE_ENUM code)
{
    switch (static_cast<unsigned>(code)) {
    case SMS_CODE_SUCCEED: return "Succeed";
    case SMS_CODE_FAILED_UNKNOWN_REASON: return "Failed Unknown Reason";
    case SMS_CODE_DEVICE_NOT_AT: return "Device Not AT";
    case SMS_CODE_NOT_NORVELT_DEVICE: return "Not Norvelt Device";
    case SMS_CODE_NO_SIM_CARD: return "No SIM CARD In Device";
    case SMS_CODE_NO_SIGNAL: return "No Signal";
    case SMS_CODE_NO_SUCH_PORT: return "No Such Port";
    case SMS_CODE_NOT_NORVELT_SMS_DEVICE: return "Not Norvelt Sms Device";
    default: return "Unknown reason";
    }
}

inline std::string GetSmsCodeChineseStr(SMS_CODE_ENUM code)
{
    switch (static_cast<unsigned>(code)) {
    case SMS_CODE_SUCCEED: return "成功";
    case SMS_CODE_NOT_NORVELT_DEVICE: return "不是Norvelt短信设备";
    case SMS_CODE_NO_SIM_CARD: return "设备未插卡";
    case SMS_CODE_NO_SIGNAL: return "设备无信号";
    case SMS_CODE_NO_SUCH_PORT: return "没有此端口";
    case SMS_CODE_NOT_NORVELT_SMS_DEVICE: return "不是Norvelt短信设备";
    default: return "设备不AT";
    }
}

#endif
