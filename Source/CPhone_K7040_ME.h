// Driver of the ME909s-821 module (type 4): card number through "AT^ICCID?", unsolicited
// reports switched off at start-up.
#ifndef ZAVRIX_CPHONE_K7040_ME_H
#define ZAVRIX_CPHONE_K7040_ME_H

#include "PhoneCardBase.h"

class CPhone_K7040_ME : public CPhoneCardBase {
public:
    std::string Get_ATI_Rsp() const override;
    bool IsATI_RspMatch(std::string rsp) const override;
    std::string GetCallCmd(std::string number) const override;
    bool OnCallCmdRsp(std::string rsp) override;
    std::string GetHungUpCmd() const override;
    bool OnHungUpCmdRsp(std::string rsp) override;
    std::string GetIMSI_Cmd() const override;
    int OnGetIMSI_CmdRsp(std::string rsp) override;
    PHONE_TYPE_t GetPhoneType() const override;
    std::vector<std::string> GetInitAtCmd() const override;
};

#endif
