// Driver of the KG520 GSM module, type 5. Only its identification differs from the base driver.
#ifndef ZAVRIX_CPHONE_KG520_ON_TQ88410_H
#define ZAVRIX_CPHONE_KG520_ON_TQ88410_H

#include "PhoneCardBase.h"

class CPhone_KG520_ON_TQ88410 : public CPhoneCardBase {
public:
    std::string Get_ATI_Rsp() const override;
    bool IsATI_RspMatch(std::string rsp) const override;
    PHONE_TYPE_t GetPhoneType() const override;
};

#endif
