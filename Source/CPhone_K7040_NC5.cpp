#include "CPhone_K7040_NC5.h"

#include "Sms.h"
#include "StringUtil.h"

namespace {

const std::string::size_type npos = std::string::npos;

bool Contains(const std::string& text, const char* what)
{
    return text.find(what) != npos;
}

bool IsDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == npos;
}

} // namespace

std::string CPhone_K7040_NC5::Get_ATI_Rsp() const
{
    return "\r\nManufacturer: Yuga Co.,Ltd.\r\n"
           "Model: CLM920_NC5\r\n"
           "Revision: CLM920_NC5-V1 [Jul 31 2017 14:44:25]\r\n"
           "IMEI: 866123456789049\r\n"
           "+GCAP: +CGSM\r\n"
           "EFS_SVN: cn_efs_20170731_2k\r\n"
           "\r\nOK\r\n";
}

bool CPhone_K7040_NC5::IsATI_RspMatch(std::string rsp) const
{
    return Contains(rsp, "CLM920_NC5") && Contains(rsp, "OK");
}

std::string CPhone_K7040_NC5::GetCallCmd(std::string number) const { return "ATD" + number + ";\r\n"; }
bool CPhone_K7040_NC5::OnCallCmdRsp(std::string rsp) { return !rsp.empty(); }
std::string CPhone_K7040_NC5::GetHungUpCmd() const { return "at+chup;\r\n"; }
bool CPhone_K7040_NC5::OnHungUpCmdRsp(std::string rsp) { return !rsp.empty(); }

int CPhone_K7040_NC5::OnSetSmsPduModeCmdRsp(std::string rsp)
{
    const std::string marker = "+CMGW: ";
    std::string::size_type pos = rsp.find(marker);
    if (pos != npos) {
        std::string::size_type end = rsp.find('\r', pos + marker.size());
        if (end != npos) {
            storedMessageIndex = rsp.substr(pos + marker.size(), end - pos - marker.size());
            return 0;
        }
    }
    return CPhoneCardBase::OnSetSmsPduModeCmdRsp(rsp);
}

int CPhone_K7040_NC5::OnGetQuerySmsCenterCmdRsp(std::string rsp)
{
    // This module may not report a centre; the send goes on with the one it has.
    CPhoneCardBase::OnGetQuerySmsCenterCmdRsp(rsp);
    return 0;
}

std::string CPhone_K7040_NC5::GetRecvSmsCompatibleModeCmd() const { return "AT+ATVER=1\r"; }
std::string CPhone_K7040_NC5::GetReadAllSmsCmd() const { return "AT+CMGD=?\r\n"; }

int CPhone_K7040_NC5::OnReadAllSmsCmdRsp(std::string rsp)
{
    if (!Contains(rsp, "OK")) {
        return OnOkErrorRsp(rsp);
    }
    readMessages.clear();
    readSms.clear();
    std::string::size_type open = rsp.find('(');
    std::string::size_type close = rsp.find(')');
    if (open == npos || close == npos) {
        return 0;
    }
    std::string inner = close > open ? rsp.substr(open + 1, close - open - 1) : rsp.substr(open + 1);
    pendingIndexes.clear();
    for (const std::string& field : SplitStringByChar(inner, ',')) {
        if (pendingIndexes.size() >= MAX_LISTED_INDEXES) {
            break;
        }
        // A range "a-b" stands for every index in it; the modem cannot read a range at once.
        std::string trimmed = TrimInOrder(field, " ");
        std::string::size_type dash = trimmed.find('-');
        if (dash != npos && IsDigits(trimmed.substr(0, dash)) && IsDigits(trimmed.substr(dash + 1))) {
            long long first = AtoiText(trimmed.substr(0, dash));
            long long last = AtoiText(trimmed.substr(dash + 1));
            for (long long i = first; i <= last && pendingIndexes.size() < MAX_LISTED_INDEXES; ++i) {
                pendingIndexes.push_back(std::to_string(i));
            }
        } else if (!field.empty()) {
            pendingIndexes.push_back(field);
        }
    }
    return 0;
}

bool CPhone_K7040_NC5::NotFinished() const { return !pendingIndexes.empty(); }

std::string CPhone_K7040_NC5::GetReadNextSmsCmd()
{
    if (!NotFinished()) {
        return std::string();
    }
    std::string index = pendingIndexes.front();
    pendingIndexes.erase(pendingIndexes.begin());
    return "AT+CMGR=" + index + "\r\n";
}

int CPhone_K7040_NC5::OnReadNextSmsCmdRsp(std::string rsp)
{
    if (!Contains(rsp, "OK")) {
        return Contains(rsp, "ERROR") ? 1 : 2;
    }
    std::vector<std::string> lines = SplitStringToArray(rsp);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!Contains(lines[i], "CMGR")) {
            continue;
        }
        // The result line straight after the header means an empty storage place, not a PDU.
        if (i + 1 < lines.size() && !Contains(lines[i + 1], "OK")) {
            SmsInfo info;
            info.mode.index = 1;
            info.mode.status = 1;
            // "+CMGR: <status>,...": a stored outgoing message is an SMS-SUBMIT.
            std::string::size_type header = lines[i].find("+CMGR:");
            int status = header == npos ? 1 : AtoiText(lines[i].substr(header + 6));
            if (status == 2 || status == 3) {
                info.mode.status = status;
                gsmDecodeSendPdu(lines[i + 1].c_str(), info.param);
            } else {
                gsmDecodePdu(lines[i + 1].c_str(), info.param);
            }
            readMessages.push_back(info);
        }
        break;
    }
    // Kept up to date after every read, so a read loop that stops early loses nothing read.
    readSms = SmsInfoVecToSmsRecvStructVec(readMessages);
    return 0;
}

PHONE_TYPE_t CPhone_K7040_NC5::GetPhoneType() const { return PHONE_TYPE_K7040_NC5; }

std::vector<SmsInfo> CPhone_K7040_NC5::SmsRspToSmsInfoVecNew(const std::string& rsp) const
{
    return ParseListing(rsp, "+CMGR: ");
}
