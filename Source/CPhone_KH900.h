// Driver of the KH900 module (type 8): card number through "AT^ICCID?", unsolicited
// reports switched off at start-up.
#ifndef ZAVRIX_CPHONE_KH900_H
#define ZAVRIX_CPHONE_KH900_H

#include "PhoneCardBase.h"

class CPhone_KH900 : public CPhoneCardBase {
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
