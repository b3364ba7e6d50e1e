// Driver of the CLM920_NC5 module (type 2). It lists the storage indexes in use and reads the
// stored messages one per command; its SMS-centre query never fails; its compatible-mode command
// is its own.
#ifndef ZAVRIX_CPHONE_K7040_NC5_H
#define ZAVRIX_CPHONE_K7040_NC5_H

#include "PhoneCardBase.h"

class CPhone_K7040_NC5 : public CPhoneCardBase {
public:
    // More listed indexes than any storage holds are not read.
    static constexpr size_t MAX_LISTED_INDEXES = 1000;

    std::string Get_ATI_Rsp() const override;
    bool IsATI_RspMatch(std::string rsp) const override;
    std::string GetCallCmd(std::string number) const override;
    bool OnCallCmdRsp(std::string rsp) override;
    std::string GetHungUpCmd() const override;
    bool OnHungUpCmdRsp(std::string rsp) override;
    int OnSetSmsPduModeCmdRsp(std::string rsp) override;
    int OnGetQuerySmsCenterCmdRsp(std::string rsp) override;
    std::string GetRecvSmsCompatibleModeCmd() const override;
    std::string GetReadAllSmsCmd() const override;
    // The index list "+CMGD: (i,j,...),(...)": replaces the indexes still to read.
    int OnReadAllSmsCmdRsp(std::string rsp) override;
    bool NotFinished() const override;
    std::string GetReadNextSmsCmd() override;
    // One "+CMGR: " answer: 2 until "OK" or "ERROR" has arrived, 1 for "ERROR", 0 otherwise. The
    // message list always holds every message read since the index list, joined.
    int OnReadNextSmsCmdRsp(std::string rsp) override;
    PHONE_TYPE_t GetPhoneType() const override;

    // The PDU listing parser with "+CMGR: " as the header mark; its headers never parse.
    std::vector<SmsInfo> SmsRspToSmsInfoVecNew(const std::string& rsp) const;

private:
    std::vector<std::string> pendingIndexes;
    std::vector<SmsInfo> readMessages;
};

#endif
