// Driver of the Wavecom GSM modem, type 6. Only its identification differs from the base driver.
#ifndef ZAVRIX_CPHONE_K3350_FT_ON_H
#define ZAVRIX_CPHONE_K3350_FT_ON_H

#include "PhoneCardBase.h"

class CPhone_K3350_FT_ON : public CPhoneCardBase {
public:
    std::string Get_ATI_Rsp() const override;
    bool IsATI_RspMatch(std::string rsp) const override;
    PHONE_TYPE_t GetPhoneType() const override;
};

#endif
