#include "PhoneCardBase.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "Sms.h"
#include "StringUtil.h"

namespace {

const std::string::size_type npos = std::string::npos;

bool Contains(const std::string& text, const char* what)
{
    return text.find(what) != npos;
}

// Copies at most `limit` bytes of `text` into a zero-filled field of `size` bytes, always leaving
// room for the terminator.
void CopyBounded(char* field, size_t size, const std::string& text, size_t limit = SIZE_MAX)
{
    size_t n = std::min({text.size(), size - 1, limit});
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// The text between `begin` and four bytes before `okPos` (the line ends in front of "OK"), or the
// rest from `begin` when that end lies before it.
std::string TextBeforeOk(const std::string& rsp, std::string::size_type begin, std::string::size_type okPos)
{
    if (okPos < begin + 4) {
        return rsp.substr(std::min(begin, rsp.size()));
    }
    return rsp.substr(begin, okPos - 4 - begin);
}

// Removes every blank, CR and LF from both ends, however short the text.
std::string StripBlankAndLineEnds(const std::string& text)
{
    const char* junk = " \r\n";
    std::string::size_type first = text.find_first_not_of(junk);
    if (first == npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(junk) - first + 1);
}

// A complete line holding "OK" or "ERROR" has arrived.
bool HasFinalLine(const std::string& rsp)
{
    for (const std::string& line : SplitStringToArray(rsp)) {
        if (Contains(line, "OK") || Contains(line, "ERROR")) {
            return true;
        }
    }
    return false;
}

bool SameLongMessage(const SM_PARAM& a, const SM_PARAM& b)
{
    return a.concatRef == b.concatRef && a.concatRef16Bit == b.concatRef16Bit && a.concatTotal == b.concatTotal &&
           std::strncmp(a.TPA, b.TPA, sizeof(a.TPA)) == 0;
}

std::string FieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

SmsRecvStruct_t MessageFrom(const SM_PARAM& param, std::string text)
{
    SmsRecvStruct_t message;
    message.from = FieldText(param.TPA, sizeof(param.TPA));
    char stamp[sizeof(param.TP_SCTS) + 1] = {0};
    std::memcpy(stamp, param.TP_SCTS, sizeof(param.TP_SCTS));
    message.time = CPhoneCardBase::ReceiveTimeToReadStr(stamp);
    message.text = std::move(text);
    return message;
}

// The part's UCS-2 hex digits, up to its count and the first character that is not hex.
void AppendPartHex(const SM_PARAM& part, std::string& hex)
{
    int limit = std::min<int>(part.concatHexLen, sizeof(part.concatHex));
    for (int i = 0; i < limit && IsHexChar(part.concatHex[i]); ++i) {
        hex += part.concatHex[i];
    }
}

std::string DecodeJoinedHex(const std::string& hex)
{
    int octets = static_cast<int>(hex.size() / 2);
    if (octets == 0) {
        return std::string();
    }
    std::vector<unsigned char> bytes(octets);
    gsmString2Bytes(hex.c_str(), bytes.data(), octets * 2);
    return gsmDecodeNew2(bytes.data(), octets);
}

} // namespace

// ---- helpers for the drivers ----

std::string CPhoneCardBase::TrimInOrder(std::string text, const char* chars)
{
    for (const char* c = chars; *c; ++c) {
        text = TrimAllChar(text, *c);
    }
    return text;
}

int CPhoneCardBase::AtoiText(const std::string& text)
{
    std::string::size_type i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

int CPhoneCardBase::OnGetIccidRsp(const std::string& rsp)
{
    if (rsp.empty()) {
        return 2;
    }
    const std::string marker = "^ICCID: ";
    for (const std::string& line : SplitStringToArray(rsp)) {
        std::string::size_type pos = line.find(marker);
        if (pos != npos) {
            smsCardNumber = TrimInOrder(line.substr(pos + marker.size()), " \r\n \r\n");
            return 0;
        }
    }
    // A card-number line split across reads is waited for; a final answer without one fails.
    return HasFinalLine(rsp) ? 1 : 2;
}

// ---- plain commands ----

std::string CPhoneCardBase::GetATCmd() const { return "AT\r\n"; }
int CPhoneCardBase::OnGetAtCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp); }
std::string CPhoneCardBase::GetAtiCmd() const { return "ATI\r\n"; }

int CPhoneCardBase::OnGetAtiCmdRsp(std::string rsp)
{
    atiRspString = rsp;
    return IsATI_RspMatch(rsp) ? 0 : 1;
}

std::string CPhoneCardBase::Get_ATI_Rsp() const { return std::string(); }
bool CPhoneCardBase::IsATI_RspMatch(std::string rsp) const { return Contains(rsp, "OK"); }
std::string CPhoneCardBase::GetCCIDCmd() const { return "ATI+CCID\r\n"; }
bool CPhoneCardBase::OnCCIDCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetCallCmd(std::string number) const { return "ATD" + number + ";\r\n"; }
bool CPhoneCardBase::OnCallCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetHungUpCmd() const { return "ATH\r\n"; }
bool CPhoneCardBase::OnHungUpCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::SetSmsModeTextCmd() const { return "at+cmgf=1\r\n"; }
bool CPhoneCardBase::OnSetSmsModeTextCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::SetSmsPDUModeCmd() const { return "at+cmgf=0\r\n"; }
int CPhoneCardBase::OnSetSmsPduModeCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp); }
std::string CPhoneCardBase::GetSendSMS_PhoneCmd(std::string number) const
{
    return "at+cmgs=\"" + number + "\"\r\n";
}
bool CPhoneCardBase::OnSendSMS_PhoneCmd(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetSendSMS_ContextCmd(std::string text) const
{
    return text + " " + PhoneTypeToString(GetPhoneType()) + "\r" + "\x1A";
}
bool CPhoneCardBase::OnSendSMS_ContextCmd(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetReceiveSmsCmd() const { return "at+cmgr=1\r\n"; }
bool CPhoneCardBase::OnReceiveSmsCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetSetReceiveSmsStoreCmd() const { return "at+cpms=\"SM\"\r\n"; }
bool CPhoneCardBase::OnSetReceiveSmsStoreCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetQueryReceiveSmsStoreCmd() const { return "at + cpms?\r\n"; }
bool CPhoneCardBase::OnQueryReceiveSmsStoreCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp) == 0; }
std::string CPhoneCardBase::GetIMSI_Cmd() const { return "AT+CCID\r\n"; }

int CPhoneCardBase::OnGetIMSI_CmdRsp(std::string rsp)
{
    if (Contains(rsp, "ERROR")) {
        return 1;
    }
    std::string::size_type ok = rsp.find("OK");
    if (ok == npos) {
        return 2;
    }
    std::string::size_type ccid = rsp.find("+CCID:");
    if (ccid == npos) {
        smsCardNumber.clear();
        return 1;
    }
    smsCardNumber = TrimInOrder(TextBeforeOk(rsp, ccid + 6, ok), "\" \"");
    return 0;
}

std::string CPhoneCardBase::GetIMEI_Cmd() const { return "AT+CGSN\r\n"; }

int CPhoneCardBase::OnGetIMEI_Cmd(std::string rsp)
{
    if (Contains(rsp, "ERROR")) {
        return 1;
    }
    std::string::size_type ok = rsp.find("OK");
    if (ok == npos) {
        return 2;
    }
    const std::string echo = "AT+CGSN";
    std::string::size_type echoPos = rsp.find(echo);
    std::string text;
    if (echoPos != npos) {
        std::string::size_type begin = echoPos + echo.size();
        text = ok >= begin ? rsp.substr(begin, ok - begin) : rsp.substr(begin);
    } else {
        text = rsp.substr(0, ok);
    }
    // Whatever is left around the digits, however short, is not part of the serial number.
    serialNumber = StripBlankAndLineEnds(text);
    return 0;
}

std::string CPhoneCardBase::GetSignalStrengthCmd() const { return "at+csq\r\n"; }

int CPhoneCardBase::OnGetSignalStrengthCmdRsp(std::string rsp)
{
    if (rsp.empty()) {
        return 2;
    }
    std::string::size_type csq = rsp.find("+CSQ:");
    std::string::size_type ok = rsp.find("OK");
    if (csq == npos || ok == npos) {
        signalStrength.clear();
        return 2;
    }
    signalStrength = TextBeforeOk(rsp, csq + 5, ok);
    return 0;
}

std::string CPhoneCardBase::GetQuerySmsCenterCmd() const { return "AT+CSCA?\r\n"; }

int CPhoneCardBase::OnGetQuerySmsCenterCmdRsp(std::string rsp)
{
    const std::string marker = "+CSCA: \"";
    std::string::size_type pos = rsp.find(marker);
    if (pos != npos) {
        std::string::size_type comma = rsp.find(',', pos);
        if (comma == npos) {
            // The number line is still arriving unless the final answer is already there.
            if (!HasFinalLine(rsp)) {
                return 2;
            }
            smsCenterNumber.clear();
            return 1;
        }
        std::string::size_type begin = pos + marker.size();
        smsCenterNumber = comma > begin + 1 ? rsp.substr(begin, comma - 1 - begin) : std::string();
        return 0;
    }
    for (const std::string& line : SplitStringToArray(rsp)) {
        if (Contains(line, "OK")) {
            return 0;
        }
        if (Contains(line, "ERROR")) {
            errorMessage = TrimInOrder(line, "\r\n\r\n");
            return 1;
        }
    }
    return 2;
}

std::string CPhoneCardBase::GetDelAllSmsCmd() const { return "AT+CMGD=0,4\r\n"; }
int CPhoneCardBase::OnDelAllSmsCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp); }
std::string CPhoneCardBase::GetRecvSmsCompatibleModeCmd() const { return "AT\r"; }

int CPhoneCardBase::OnGetRecvSmsCompatibleModeCmdRsp(std::string rsp)
{
    if (Contains(rsp, "OK")) {
        return 0;
    }
    if (!Contains(rsp, "ERROR")) {
        return 2;
    }
    errorMessage = rsp;
    return 1;
}

std::string CPhoneCardBase::GetReadAllSmsCmd() const { return "AT+CMGL=4\r\n"; }
bool CPhoneCardBase::NotFinished() const { return false; }
std::string CPhoneCardBase::GetReadNextSmsCmd() { return "AT\r\n"; }
int CPhoneCardBase::OnReadNextSmsCmdRsp(std::string rsp) { return rsp.empty() ? 0 : 1; }
PHONE_TYPE_t CPhoneCardBase::GetPhoneType() const { return PHONE_TYPE_BASE; }
std::string CPhoneCardBase::GetSmsCardNumber() const { return smsCardNumber; }
std::string CPhoneCardBase::GetSignalStrength() const { return signalStrength; }
std::string CPhoneCardBase::GetSerialNumber() const { return serialNumber; }

std::string CPhoneCardBase::GetErrorMessage()
{
    errorMessage = TrimInOrder(errorMessage, "\r\n\r\n");
    return errorMessage;
}

bool CPhoneCardBase::HasME() const { return false; }
std::string CPhoneCardBase::GetReadSmsOnMeCmd() const { return "AT+CPMS=\"ME\"\r\n"; }
int CPhoneCardBase::OnGetReadSmsOnMeCmd(std::string rsp) { return OnOkErrorRsp(rsp); }
std::string CPhoneCardBase::GetReadSmsOnSmCmd() const { return "AT+CPMS=\"SM\"\r\n"; }
int CPhoneCardBase::OnGetReadSmsOnSmCmd(std::string rsp) { return OnOkErrorRsp(rsp); }

std::vector<std::string> CPhoneCardBase::GetInitAtCmd() const
{
    return {"AT+CMEE=1\r\n", "AT+CPMS=\"SM\"\r\n", "ATE0\r\n"};
}

int CPhoneCardBase::OnInitAtCmdRsp(std::string rsp) { return OnOkErrorRsp(rsp); }

int CPhoneCardBase::OnOkErrorRsp(std::string rsp)
{
    for (const std::string& line : SplitStringToArray(rsp)) {
        if (Contains(line, "OK")) {
            return 0;
        }
        if (Contains(line, "ERROR")) {
            errorMessage = TrimInOrder(line, "\r\n\r\n\r\n");
            return 1;
        }
    }
    return Contains(rsp, "OK") ? 0 : 2;
}

bool OnSetSmsModeTextCmdRsp(std::string rsp)
{
    return rsp == "\r\nOK\r\n";
}

// ---- send steps ----

bool CPhoneCardBase::IsLongSms(const std::string& text) const
{
    if (text.size() > 140) {
        return true;
    }
    std::vector<unsigned char> ucs2(2 * text.size() + 2);
    return gsmEncodeUcs2(text.c_str(), ucs2.data(), static_cast<int>(text.size())) > 140;
}

CountryCode_t CPhoneCardBase::JudgePhoneCountryCode(const std::string& number)
{
    CountryCode_t code;
    // A "+" number is international by its own sign; the encoders drop the sign itself.
    code.international = (number.size() == 15 && number.compare(0, 4, "0086") == 0) ||
                         (number.size() == 13 && number.compare(0, 2, "86") == 0) ||
                         (number.size() > 1 && number[0] == '+');
    return code;
}

std::string CPhoneCardBase::ModifyPhoneCode(const std::string& number, bool international)
{
    if (international && number.size() > 2 && number.compare(0, 2, "00") == 0) {
        return number.substr(2);
    }
    return number;
}

std::string CPhoneCardBase::ServiceCentreDigits() const
{
    std::string digits = smsCenterNumber;
    if (!digits.empty() && digits[0] == '+') {
        digits.erase(0, 1);
    }
    // Anything but 1 to 15 digits would overrun the field or put garbage into the PDU.
    bool usable = !digits.empty() && digits.size() < sizeof(SM_PARAM::SCA) &&
                  digits.find_first_not_of("0123456789") == npos;
    return usable ? digits : std::string();
}

std::vector<PDU_LONG_SMS_Base_t> CPhoneCardBase::GetSendPduSmsCmdArray(std::string number, std::string text)
{
    if (IsLongSms(text)) {
        return GetSendLongPduSmsCmd(number, text);
    }
    return GetSendSmsModePDUCmd(number, text);
}

std::vector<PDU_LONG_SMS_Base_t> CPhoneCardBase::GetSendSmsModePDUCmd(std::string number, std::string text)
{
    SM_PARAM param;
    std::memset(&param, 0, sizeof(param));
    std::string centre = ServiceCentreDigits();
    // The encoder skips a leading "+"; keep it only where it still fits.
    if (!centre.empty() && smsCenterNumber.size() < sizeof(param.SCA)) {
        centre = smsCenterNumber;
    }
    CopyBounded(param.SCA, sizeof(param.SCA), centre);
    CountryCode_t code = JudgePhoneCountryCode(number);
    param.nationalNumber = !code.international;
    CopyBounded(param.TPA, sizeof(param.TPA), ModifyPhoneCode(number, code.international));
    param.TP_DCS = GSM_UCS2;
    CopyBounded(param.TP_UD, sizeof(param.TP_UD), text, 160);

    PDU_LONG_SMS_Base_t step;
    step.content = gsmEncodePduNew(param, sendLengthCmd);
    step.command = sendLengthCmd;
    return {step};
}

std::vector<PDU_LONG_SMS_Base_t> CPhoneCardBase::GetSendLongPduSmsCmd(std::string number, std::string text)
{
    SM_PARAM param;
    std::memset(&param, 0, sizeof(param));
    CopyBounded(param.SCA, sizeof(param.SCA), ServiceCentreDigits());
    CountryCode_t code = JudgePhoneCountryCode(number);
    param.nationalNumber = !code.international;
    CopyBounded(param.TPA, sizeof(param.TPA), ModifyPhoneCode(number, code.international));
    param.TP_DCS = GSM_UCS2;
    std::vector<char> longText(2 * text.size() + 1, '\0');
    std::memcpy(longText.data(), text.data(), text.size());
    param.longText = longText.data();

    std::vector<std::string> parts;
    gsmLongSmsPdu(param, parts, true);

    std::vector<PDU_LONG_SMS_Base_t> steps;
    for (const std::string& part : parts) {
        unsigned char centreLength = 0;
        if (part.size() >= 2) {
            gsmString2Bytes(part.c_str(), &centreLength, 2);
        }
        // The length command counts the TPDU only: the part less its service-centre field.
        int tpduOctets = std::max(0, static_cast<int>(part.size() / 2) - (centreLength + 1));
        char command[32];
        snprintf(command, sizeof(command), "AT+CMGS=%d\r", tpduOctets);
        PDU_LONG_SMS_Base_t step;
        step.command = command;
        step.content = part + "\x1A";
        steps.push_back(step);
    }
    return steps;
}

int CPhoneCardBase::OnSendPduSmsLenCmdRsp(std::string rsp)
{
    if (Contains(rsp, ">")) {
        return 0;
    }
    if (rsp.empty() || !Contains(rsp, "ERROR")) {
        return 2;
    }
    errorMessage = TrimInOrder(rsp, "\r\r\n\r\n");
    return 1;
}

int CPhoneCardBase::OnSendPduSmsContextCmdRsp(std::string rsp)
{
    sendPduSmsRetry = false;
    for (const std::string& line : SplitStringToArray(rsp)) {
        if (Contains(line, "OK")) {
            return 0;
        }
        if (Contains(line, "ERROR")) {
            // Error numbers 500 to 600 (e.g. "+CMS ERROR: 500") are worth another attempt.
            for (const std::string& piece : SplitStringByChar(line, ' ')) {
                int value = AtoiText(piece);
                if (value >= 500 && value <= 600) {
                    sendPduSmsRetry = true;
                }
            }
            errorMessage = TrimInOrder(line, "\r\n\r\n");
            return 1;
        }
    }
    return 2;
}

// ---- stored-message listing ----

int CPhoneCardBase::OnReadAllSmsCmdRsp(std::string rsp)
{
    if (Contains(rsp, "ERROR")) {
        errorMessage = TrimInOrder(rsp, "\r\n\r\n");
        return 1;
    }
    // Rebuilt on every call, so it always holds the messages of the complete lines so far.
    readSms = SmsInfoVecToSmsRecvStructVec(SmsRspToSmsInfoVec(rsp));
    if (Contains(rsp, "OK") || Contains(rsp, "SMS DONE")) {
        errorMessage = TrimInOrder(rsp, "\r\n\r\n");
        return 0;
    }
    if (Contains(rsp, "SMS FULL")) {
        return 0;
    }
    return 2;
}

SmsMode CPhoneCardBase::StrToSmsMode(std::string line)
{
    SmsMode mode;
    const std::string marker = "+CMGL: ";
    std::string::size_type pos = line.find(marker);
    if (pos == npos) {
        return mode;
    }
    std::string::size_type first = line.find(',', pos + marker.size());
    if (first == npos) {
        return mode;
    }
    std::string::size_type colon = pos + marker.size() - 2;
    mode.index = AtoiText(line.substr(colon + 1, first - colon - 1));
    if (mode.index < 0) {
        return mode;
    }
    std::string::size_type second = line.find(',', first + 1);
    if (second != npos) {
        mode.status = AtoiText(line.substr(first + 1, second - first - 1));
    }
    return mode;
}

std::vector<SmsInfo> CPhoneCardBase::SmsRspToSmsInfoVec(const std::string& rsp)
{
    return ParseListing(rsp, "+CMGL: ");
}

std::vector<SmsInfo> CPhoneCardBase::ParseListing(const std::string& rsp, const char* marker)
{
    std::vector<SmsInfo> infos;
    std::vector<std::string> lines = SplitStringToArray(rsp);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!Contains(lines[i], marker)) {
            continue;
        }
        SmsMode mode = StrToSmsMode(lines[i]);
        if (mode.index < 0 || i + 1 >= lines.size()) {
            continue;
        }
        SmsInfo info;
        info.mode = mode;
        ++i;
        if (mode.status == 0 || mode.status == 1) {
            gsmDecodePdu(lines[i].c_str(), info.param);
        } else if (mode.status == 2 || mode.status == 3) {
            gsmDecodeSendPdu(lines[i].c_str(), info.param);
        }
        infos.push_back(info);
    }
    return infos;
}

std::string CPhoneCardBase::ReceiveTimeToReadStr(const char* stamp)
{
    if (stamp == nullptr || strnlen(stamp, 13) <= 12) {
        return std::string();
    }
    std::string s(stamp, 12);
    return s.substr(0, 2) + "-" + s.substr(2, 2) + "-" + s.substr(4, 2) + " " + s.substr(6, 2) + ":" +
           s.substr(8, 2) + ":" + s.substr(10, 2);
}

bool lessSmsInfo(const SmsInfo& a, const SmsInfo& b)
{
    // Single messages first, by storage index; then the parts, grouped by message and kept in
    // storage order inside a message until the groups are ordered by part number.
    if (a.param.isConcat != b.param.isConcat) {
        return !a.param.isConcat;
    }
    if (a.param.isConcat) {
        if (a.param.concatRef != b.param.concatRef) {
            return a.param.concatRef < b.param.concatRef;
        }
        if (a.param.concatRef16Bit != b.param.concatRef16Bit) {
            return b.param.concatRef16Bit;
        }
        int sender = std::strncmp(a.param.TPA, b.param.TPA, sizeof(a.param.TPA));
        if (sender != 0) {
            return sender < 0;
        }
        if (a.param.concatTotal != b.param.concatTotal) {
            return a.param.concatTotal < b.param.concatTotal;
        }
    }
    if (a.mode.index != b.mode.index) {
        return a.mode.index < b.mode.index;
    }
    return static_cast<int>(a.param.concatSeq) < static_cast<int>(b.param.concatSeq);
}

bool LessLongSms(const SmsInfo& a, const SmsInfo& b)
{
    return static_cast<int>(a.param.concatSeq) < static_cast<int>(b.param.concatSeq);
}

bool IsHexChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::vector<SmsRecvStruct_t> CPhoneCardBase::SmsInfoVecToSmsRecvStructVec(const std::vector<SmsInfo>& infos)
{
    std::vector<SmsInfo> sorted = infos;
    std::stable_sort(sorted.begin(), sorted.end(), lessSmsInfo);

    // Each run of parts of one message, at most its part count long, in part order. A part count
    // of 0 is broken; such a part stands alone.
    for (size_t i = 0; i < sorted.size();) {
        if (!sorted[i].param.isConcat) {
            ++i;
            continue;
        }
        size_t total = std::max<size_t>(sorted[i].param.concatTotal, 1);
        size_t end = i + 1;
        while (end < sorted.size() && end - i < total && sorted[end].param.isConcat &&
               SameLongMessage(sorted[end].param, sorted[i].param)) {
            ++end;
        }
        std::stable_sort(sorted.begin() + i, sorted.begin() + end, LessLongSms);
        i = end;
    }

    std::vector<SmsRecvStruct_t> messages;
    const SmsInfo* last = nullptr;
    std::string hex;
    for (const SmsInfo& info : sorted) {
        const SM_PARAM& p = info.param;
        if (!p.isConcat) {
            messages.push_back(MessageFrom(p, FieldText(p.TP_UD, sizeof(p.TP_UD))));
            continue;
        }
        // A new message begins where the message changes or the part number does not rise.
        bool begins = last == nullptr || !SameLongMessage(last->param, p) || p.concatSeq <= last->param.concatSeq ||
                      p.concatTotal == 0 || last->param.concatTotal == 0;
        if (begins && last != nullptr) {
            messages.push_back(MessageFrom(last->param, DecodeJoinedHex(hex)));
            hex.clear();
        }
        AppendPartHex(p, hex);
        last = &info;
    }
    if (last != nullptr) {
        messages.push_back(MessageFrom(last->param, DecodeJoinedHex(hex)));
    }
    return messages;
}

void PrintSmsRecvList(const std::vector<SmsRecvStruct_t>& list)
{
    const std::string rule(50, '-');
    for (size_t i = 0; i < list.size(); ++i) {
        std::cout << rule << "\n"
                  << " 第 " << (i + 1) << " 条短信\n"
                  << "发送号码: " << list[i].from << "\n"
                  << "发送时间: " << list[i].time << "\n"
                  << "短信内容: " << list[i].text << "\n";
    }
    std::cout << rule << "\n";
}

void CPhoneCardBase::PrintRecvSms() const
{
    PrintSmsRecvList(readSms);
}
