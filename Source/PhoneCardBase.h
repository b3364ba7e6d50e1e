// The driver interface: for every modem operation a builder of the exact command text and a judge
// of the answer gathered so far. Drivers never touch a port; the application writes, reads and
// retries.
//
// Judges return the answer verdict: 0 complete and successful, 1 complete and failed (the error
// text is kept where the judge's rule says so), 2 incomplete, read more and ask again with the
// whole answer.
#ifndef ZAVRIX_PHONECARDBASE_H
#define ZAVRIX_PHONECARDBASE_H

#include <string>
#include <vector>

#include "Define.h"
#include "SmsInfo.h"

// One send step: `command` is written first and answered with ">", then `content`.
struct PDU_LONG_SMS_Base_t {
    std::string command;
    std::string content;
};

struct CountryCode_t {
    bool international = false;
};

class CPhoneCardBase {
public:
    CPhoneCardBase() = default;
    virtual ~CPhoneCardBase() = default;

    virtual std::string GetATCmd() const;
    virtual int OnGetAtCmdRsp(std::string rsp);
    virtual std::string GetAtiCmd() const;
    virtual int OnGetAtiCmdRsp(std::string rsp);
    virtual std::string Get_ATI_Rsp() const;
    virtual bool IsATI_RspMatch(std::string rsp) const;
    virtual std::string GetCCIDCmd() const;
    virtual bool OnCCIDCmdRsp(std::string rsp);
    virtual std::string GetCallCmd(std::string number) const;
    virtual bool OnCallCmdRsp(std::string rsp);
    virtual std::string GetHungUpCmd() const;
    virtual bool OnHungUpCmdRsp(std::string rsp);
    virtual std::string SetSmsModeTextCmd() const;
    virtual bool OnSetSmsModeTextCmdRsp(std::string rsp);
    virtual std::string SetSmsPDUModeCmd() const;
    virtual int OnSetSmsPduModeCmdRsp(std::string rsp);
    virtual std::vector<PDU_LONG_SMS_Base_t> GetSendPduSmsCmdArray(std::string number, std::string text);
    virtual int OnSendPduSmsContextCmdRsp(std::string rsp);
    virtual int OnSendPduSmsLenCmdRsp(std::string rsp);
    virtual std::string GetSendSMS_PhoneCmd(std::string number) const;
    virtual bool OnSendSMS_PhoneCmd(std::string rsp);
    virtual std::string GetSendSMS_ContextCmd(std::string text) const;
    virtual bool OnSendSMS_ContextCmd(std::string rsp);
    virtual std::string GetReceiveSmsCmd() const;
    virtual bool OnReceiveSmsCmdRsp(std::string rsp);
    virtual std::string GetSetReceiveSmsStoreCmd() const;
    virtual bool OnSetReceiveSmsStoreCmdRsp(std::string rsp);
    virtual std::string GetQueryReceiveSmsStoreCmd() const;
    virtual bool OnQueryReceiveSmsStoreCmdRsp(std::string rsp);
    virtual std::string GetIMSI_Cmd() const;
    virtual int OnGetIMSI_CmdRsp(std::string rsp);
    virtual std::string GetIMEI_Cmd() const;
    virtual int OnGetIMEI_Cmd(std::string rsp);
    virtual std::string GetSignalStrengthCmd() const;
    virtual int OnGetSignalStrengthCmdRsp(std::string rsp);
    virtual std::string GetQuerySmsCenterCmd() const;
    virtual int OnGetQuerySmsCenterCmdRsp(std::string rsp);
    virtual std::string GetDelAllSmsCmd() const;
    virtual int OnDelAllSmsCmdRsp(std::string rsp);
    virtual std::string GetRecvSmsCompatibleModeCmd() const;
    virtual int OnGetRecvSmsCompatibleModeCmdRsp(std::string rsp);
    virtual std::string GetReadAllSmsCmd() const;
    virtual int OnReadAllSmsCmdRsp(std::string rsp);
    // The drivers that list first and read one message per command say true while messages remain.
    virtual bool NotFinished() const;
    virtual std::string GetReadNextSmsCmd();
    virtual int OnReadNextSmsCmdRsp(std::string rsp);
    virtual PHONE_TYPE_t GetPhoneType() const;
    virtual std::string GetSmsCardNumber() const;
    virtual std::string GetSignalStrength() const;
    virtual std::string GetSerialNumber() const;
    // The last error text any judge kept, trimmed of line ends; never emptied.
    virtual std::string GetErrorMessage();
    virtual bool HasME() const;
    virtual std::string GetReadSmsOnMeCmd() const;
    virtual int OnGetReadSmsOnMeCmd(std::string rsp);
    virtual std::string GetReadSmsOnSmCmd() const;
    virtual int OnGetReadSmsOnSmCmd(std::string rsp);
    virtual std::vector<std::string> GetInitAtCmd() const;
    virtual int OnInitAtCmdRsp(std::string rsp);
    virtual std::vector<PDU_LONG_SMS_Base_t> GetSendLongPduSmsCmd(std::string number, std::string text);
    virtual std::vector<PDU_LONG_SMS_Base_t> GetSendSmsModePDUCmd(std::string number, std::string text);

    // The common judge: the first line holding "OK" gives 0, else the first holding "ERROR" gives
    // 1 and is kept as the error text; without such a line, 0 if "OK" stands anywhere, else 2.
    int OnOkErrorRsp(std::string rsp);
    std::string GetAtiRspString() const { return atiRspString; }
    bool IsSendPduSmsRetry() const { return sendPduSmsRetry; }
    std::vector<SmsRecvStruct_t> GetReadSms() const { return readSms; }

    // A text whose UCS-2 form exceeds 140 octets, or which exceeds 140 bytes, is sent in parts.
    bool IsLongSms(const std::string& text) const;
    static CountryCode_t JudgePhoneCountryCode(const std::string& number);
    static std::string ModifyPhoneCode(const std::string& number, bool international);

    static SmsMode StrToSmsMode(std::string line);
    static std::string ReceiveTimeToReadStr(const char* stamp);
    static std::vector<SmsInfo> SmsRspToSmsInfoVec(const std::string& rsp);
    // Joins the parts of long messages; singles first by storage index, then long messages.
    static std::vector<SmsRecvStruct_t> SmsInfoVecToSmsRecvStructVec(const std::vector<SmsInfo>& infos);
    void PrintRecvSms() const;

protected:
    // TrimAllChar with each character of `chars` in turn.
    static std::string TrimInOrder(std::string text, const char* chars);
    // The leading decimal number as atoi reads it, clamped to the range of int.
    static int AtoiText(const std::string& text);
    // The messages of a PDU listing whose header lines hold `marker`, read by StrToSmsMode.
    static std::vector<SmsInfo> ParseListing(const std::string& rsp, const char* marker);
    // Card number from an "^ICCID: " line (types 4 and 8): 0 stored, 1 a final answer without
    // it, 2 still incomplete.
    int OnGetIccidRsp(const std::string& rsp);

    bool sendPduSmsRetry = false;
    std::string smsCardNumber;
    std::string signalStrength;
    std::string serialNumber;
    std::string smsCenterNumber;
    std::string sendLengthCmd;
    std::string storedMessageIndex;
    std::vector<SmsRecvStruct_t> readSms;
    std::string errorMessage;
    std::string atiRspString;

private:
    // The service centre as digits without "+", or empty when it is missing or unusable.
    std::string ServiceCentreDigits() const;
};

// True only for the exact answer "\r\nOK\r\n".
bool OnSetSmsModeTextCmdRsp(std::string rsp);

// Sort order of the joining; see SmsInfoVecToSmsRecvStructVec.
bool lessSmsInfo(const SmsInfo& a, const SmsInfo& b);
bool LessLongSms(const SmsInfo& a, const SmsInfo& b);
bool IsHexChar(char c);

// A list of stored messages as the console shows it, numbered from 1 between rules of 50 '-'.
void PrintSmsRecvList(const std::vector<SmsRecvStruct_t>& list);

#endif
