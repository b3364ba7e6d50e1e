#include "CPhone_KC640_ON.h"

#include "Sms.h"
#include "StringUtil.h"

namespace {

const std::string::size_type npos = std::string::npos;
const std::string kFormat1End("\x1A", 1);     // end of a format-1 text
const std::string kUcs2End("\x00\x1A", 2);    // end of a format-6 text, and of every sent text

bool Contains(const std::string& text, const char* what)
{
    return text.find(what) != npos;
}

std::string Ucs2Of(const std::string& text)
{
    std::vector<unsigned char> octets(2 * (text.size() + 2));
    int n = gsmEncodeUcs2(text.c_str(), octets.data(), static_cast<int>(text.size()));
    return std::string(reinterpret_cast<const char*>(octets.data()), n);
}

// "(i/n)" in UCS-2.
std::string PartMarker(size_t part, size_t count)
{
    std::string ascii = "(" + std::to_string(part) + "/" + std::to_string(count) + ")";
    std::string ucs2;
    for (char c : ascii) {
        ucs2 += '\0';
        ucs2 += c;
    }
    return ucs2;
}

size_t DecimalDigits(size_t value)
{
    size_t digits = 1;
    for (; value >= 10; value /= 10) {
        ++digits;
    }
    return digits;
}

// The fewest parts n whose room holds `bytes` data bytes, part i of n carrying 140 bytes less its
// marker "(i/n)" and the NUL and Ctrl-Z. Cutting the data with those markers then gives exactly n
// parts, the last one not empty.
size_t PartCount(size_t bytes)
{
    size_t markerDigits = 0; // digits of all part numbers 1..n
    for (size_t n = 1;; ++n) {
        markerDigits += DecimalDigits(n);
        size_t fixedPerPart = 2 * (3 + DecimalDigits(n)) + kUcs2End.size();
        size_t room = n * (CPhone_KC640_ON::MAX_CONTENT_BYTES - fixedPerPart) - 2 * markerDigits;
        if (room >= bytes) {
            return n;
        }
    }
}

// The answer's last line, without its CR, once nothing follows it; empty while it is incomplete.
std::string FinalLine(const std::string& rsp)
{
    if (rsp.empty() || rsp.back() != '\n') {
        return std::string();
    }
    std::vector<std::string> lines = SplitStringToArray(rsp);
    if (lines.empty()) {
        return std::string();
    }
    std::string last = lines.back();
    if (!last.empty() && last.back() == '\r') {
        last.pop_back();
    }
    return last;
}

bool HasOkLine(const std::string& text)
{
    for (const std::string& line : SplitStringToArray(text)) {
        if (line == "OK" || line == "OK\r") {
            return true;
        }
    }
    return false;
}

// Offset of the UCS-2 terminator 00 1A at an even offset of the text, npos without one.
std::string::size_type FindUcs2End(const std::string& body)
{
    for (std::string::size_type i = 0; i + 1 < body.size(); i += 2) {
        if (body.compare(i, 2, kUcs2End) == 0) {
            return i;
        }
    }
    return npos;
}

// The text bytes of an answer without a terminator: up to the final OK line, less the line ends
// in front of it (pairs of them for UCS-2).
std::string TextBeforeFinalOk(const std::string& rsp, std::string::size_type bodyStart, bool ucs2)
{
    std::string::size_type ok = rsp.rfind("OK");
    std::string text = ok > bodyStart ? rsp.substr(bodyStart, ok - bodyStart) : std::string();
    if (ucs2) {
        while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
            text.resize(text.size() - 2);
        }
    } else {
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
            text.pop_back();
        }
    }
    return text;
}

std::string StripBlanks(const std::string& text)
{
    std::string::size_type first = text.find_first_not_of(' ');
    if (first == npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string CPhone_KC640_ON::Get_ATI_Rsp() const
{
    return "\r\nManufacturer:HUAWEI TECHNOLOGIES CO., LTD\r\n"
           "Model:KC640-a\r\n"
           "Revision:12.102.29.00.00\r\n"
           "ESN:8012A3F4\r\n"
           "\r\nOK\r\n";
}

bool CPhone_KC640_ON::IsATI_RspMatch(std::string rsp) const { return Contains(rsp, "KC640"); }
std::string CPhone_KC640_ON::GetCallCmd(std::string number) const { return "AT+CDV" + number + "\r\n"; }
bool CPhone_KC640_ON::OnCallCmdRsp(std::string rsp) { return !rsp.empty(); }
std::string CPhone_KC640_ON::GetHungUpCmd() const { return "AT+CHV\r\n"; }
bool CPhone_KC640_ON::OnHungUpCmdRsp(std::string rsp) { return !rsp.empty(); }
std::string CPhone_KC640_ON::SetSmsPDUModeCmd() const { return "AT^HSMSSS=0,0,6,0\r\n"; }

int CPhone_KC640_ON::OnSendPduSmsContextCmdRsp(std::string rsp)
{
    for (const std::string& line : SplitStringToArray(rsp)) {
        if (Contains(line, "HCMGSS")) {
            return 0;
        }
        if (Contains(line, "ERROR") || Contains(line, "HCMGSF")) {
            errorMessage = TrimInOrder(line, "\r\n\r\n");
            return 1;
        }
    }
    return 2;
}

std::string CPhone_KC640_ON::GetSendSMS_PhoneCmd(std::string number) const
{
    return "AT^HCMGS=\"" + number + "\"\r\n";
}

bool CPhone_KC640_ON::OnSendSMS_PhoneCmd(std::string rsp) { return !rsp.empty(); }
std::string CPhone_KC640_ON::GetReceiveSmsCmd() const { return "at^hcmgr=1\r\n"; }
bool CPhone_KC640_ON::OnReceiveSmsCmdRsp(std::string rsp) { return !rsp.empty(); }
std::string CPhone_KC640_ON::GetIMSI_Cmd() const { return "AT+CCID\r\n"; }

int CPhone_KC640_ON::OnGetIMSI_CmdRsp(std::string rsp)
{
    // An error decides only once its line has ended.
    if (Contains(rsp, "ERROR")) {
        return rsp.back() == '\n' ? 1 : 2;
    }
    return CPhoneCardBase::OnGetIMSI_CmdRsp(rsp);
}

std::string CPhone_KC640_ON::GetQuerySmsCenterCmd() const { return "AT\r"; }
std::string CPhone_KC640_ON::GetReadAllSmsCmd() const { return "AT^HCMGL=4\r\n"; }

int CPhone_KC640_ON::OnReadAllSmsCmdRsp(std::string rsp)
{
    readSms.clear();
    std::string final = FinalLine(rsp);
    if (Contains(final, "ERROR")) {
        errorMessage = final;
        return 1;
    }
    if (final != "OK") {
        return 2;
    }
    const std::string marker = "^HCMGL:";
    for (const std::string& line : SplitStringToArray(rsp)) {
        std::string::size_type pos = line.find(marker);
        if (pos == npos) {
            continue;
        }
        std::string::size_type comma = line.find(',', pos + marker.size());
        if (comma != npos) {
            SmsMode mode;
            mode.index = AtoiText(line.substr(pos + marker.size(), comma - pos - marker.size()));
            pendingMessages.push_back(mode);
        }
    }
    return 0;
}

bool CPhone_KC640_ON::NotFinished() const { return !pendingMessages.empty(); }

std::string CPhone_KC640_ON::GetReadNextSmsCmd()
{
    if (!NotFinished()) {
        return std::string();
    }
    int index = pendingMessages.front().index;
    pendingMessages.erase(pendingMessages.begin());
    return "AT^HCMGR=" + std::to_string(index) + "\r\n";
}

int CPhone_KC640_ON::OnReadNextSmsCmdRsp(std::string rsp)
{
    // The text may hold "OK", line ends and any byte, so it is taken by position: from the end of
    // the header line to its terminator, and the answer is complete once the final OK follows.
    const std::string marker = "^HCMGR:";
    std::string::size_type header = rsp.find(marker);
    std::string::size_type headerEnd = header == npos ? npos : rsp.find('\n', header);
    std::string final = FinalLine(rsp);
    if (headerEnd == npos) {
        if (Contains(final, "ERROR")) {
            return 1;
        }
        return final == "OK" ? 0 : 2;
    }

    std::string headerLine = rsp.substr(header + marker.size(), headerEnd - header - marker.size());
    if (!headerLine.empty() && headerLine.back() == '\r') {
        headerLine.pop_back();
    }
    std::vector<std::string> fields = SplitStringByChar(headerLine, ',');
    std::string format = fields.size() > 8 ? fields[8] : std::string();
    bool ucs2 = format == "6";

    std::string::size_type bodyStart = headerEnd + 1;
    std::string body = rsp.substr(bodyStart);
    std::string::size_type end = ucs2 ? FindUcs2End(body) : body.find(kFormat1End);
    std::string text;
    if (end != npos) {
        std::string rest = body.substr(end + (ucs2 ? kUcs2End.size() : kFormat1End.size()));
        if (!HasOkLine(rest)) {
            return Contains(rest, "ERROR") ? 1 : 2;
        }
        text = body.substr(0, end);
    } else {
        if (Contains(final, "ERROR")) {
            return 1;
        }
        if (final != "OK") {
            return 2;
        }
        text = TextBeforeFinalOk(rsp, bodyStart, ucs2);
    }

    if (fields.size() <= 8 || (format != "1" && !ucs2)) {
        return 0;
    }
    SmsRecvStruct_t message;
    message.from = StripBlanks(fields[0]);
    message.time = fields[1] + "-" + fields[2] + "-" + fields[3] + " " + fields[4] + ":" + fields[5] + ":" + fields[6];
    if (ucs2) {
        message.text = gsmDecodeNew2(reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size() & ~static_cast<size_t>(1)));
    } else {
        message.text = text;
    }
    if (message.IsOk()) {
        readSms.push_back(message);
    }
    return 0;
}

PHONE_TYPE_t CPhone_KC640_ON::GetPhoneType() const { return PHONE_TYPE_KC640_ON; }

std::vector<std::string> CPhone_KC640_ON::GetInitAtCmd() const
{
    std::vector<std::string> commands = CPhoneCardBase::GetInitAtCmd();
    commands.push_back("AT^RSSIREP=0\r\n");
    return commands;
}

std::vector<PDU_LONG_SMS_Base_t> CPhone_KC640_ON::GetSendSmsModePDUCmd(std::string number, std::string text)
{
    sendCommand = "AT^HCMGS=\"" + number + "\"\r";
    sendContent = Ucs2Of(text) + kUcs2End;
    PDU_LONG_SMS_Base_t step;
    step.command = sendCommand;
    step.content = sendContent;
    return {step};
}

std::vector<PDU_LONG_SMS_Base_t> CPhone_KC640_ON::GetSendLongPduSmsCmd(std::string number, std::string text)
{
    std::string data = Ucs2Of(text);
    std::vector<PDU_LONG_SMS_Base_t> steps;
    if (data.empty()) {
        return steps;
    }
    size_t count = PartCount(data.size());
    std::string::size_type pos = 0;
    for (size_t part = 1; part <= count; ++part) {
        std::string marker = PartMarker(part, count);
        std::string slice = data.substr(pos, MAX_CONTENT_BYTES - marker.size() - kUcs2End.size());
        pos += slice.size();
        PDU_LONG_SMS_Base_t step;
        step.command = "AT^HCMGS=\"" + number + "\"\r";
        step.content = slice + marker + kUcs2End;
        steps.push_back(step);
    }
    return steps;
}
