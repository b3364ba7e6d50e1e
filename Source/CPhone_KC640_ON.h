// Driver of the KC640 CDMA module (type 7). Its messages are not GSM PDUs: it sends with the
// vendor's text-mode command (the text as raw UCS-2 bytes, long texts as numbered parts), lists
// the stored messages by index ("AT^HCMGL=4") and reads them one per command ("AT^HCMGR=").
#ifndef ZAVRIX_CPHONE_KC640_ON_H
#define ZAVRIX_CPHONE_KC640_ON_H

#include "PhoneCardBase.h"

class CPhone_KC640_ON : public CPhoneCardBase {
public:
    // The most bytes one message carries: text, part marker, NUL and Ctrl-Z.
    static constexpr size_t MAX_CONTENT_BYTES = 140;

    std::string Get_ATI_Rsp() const override;
    bool IsATI_RspMatch(std::string rsp) const override;
    std::string GetCallCmd(std::string number) const override;
    bool OnCallCmdRsp(std::string rsp) override;
    std::string GetHungUpCmd() const override;
    bool OnHungUpCmdRsp(std::string rsp) override;
    std::string SetSmsPDUModeCmd() const override;
    // "HCMGSS" sent, "HCMGSF" or "ERROR" failed; never asks for another attempt.
    int OnSendPduSmsContextCmdRsp(std::string rsp) override;
    std::string GetSendSMS_PhoneCmd(std::string number) const override;
    bool OnSendSMS_PhoneCmd(std::string rsp) override;
    std::string GetReceiveSmsCmd() const override;
    bool OnReceiveSmsCmdRsp(std::string rsp) override;
    std::string GetIMSI_Cmd() const override;
    int OnGetIMSI_CmdRsp(std::string rsp) override;
    std::string GetQuerySmsCenterCmd() const override;
    std::string GetReadAllSmsCmd() const override;
    // Waits for the listing's final "OK" (or "ERROR") and then queues the listed indexes behind
    // any left from an earlier listing.
    int OnReadAllSmsCmdRsp(std::string rsp) override;
    bool NotFinished() const override;
    std::string GetReadNextSmsCmd() override;
    // One "^HCMGR: " answer: 2 until it is complete, 1 for "ERROR", else 0 with the message
    // appended when its header and text are usable.
    int OnReadNextSmsCmdRsp(std::string rsp) override;
    PHONE_TYPE_t GetPhoneType() const override;
    std::vector<std::string> GetInitAtCmd() const override;
    std::vector<PDU_LONG_SMS_Base_t> GetSendLongPduSmsCmd(std::string number, std::string text) override;
    std::vector<PDU_LONG_SMS_Base_t> GetSendSmsModePDUCmd(std::string number, std::string text) override;

private:
    std::string sendCommand;
    std::string sendContent;
    std::vector<SmsMode> pendingMessages;
};

#endif
