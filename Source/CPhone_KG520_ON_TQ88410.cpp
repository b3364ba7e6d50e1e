#include "CPhone_KG520_ON_TQ88410.h"

std::string CPhone_KG520_ON_TQ88410::Get_ATI_Rsp() const
{
    return "\r\nManufacture: HUAWEI\r\n"
           "Model: KG520\r\n"
           "Revision: 11.310.21.03.00\r\n"
           "IMEI: 866123456789015\r\n"
           "+GCAP: +CGSM\r\n"
           "\r\nOK\r\n";
}

bool CPhone_KG520_ON_TQ88410::IsATI_RspMatch(std::string rsp) const
{
    return rsp.find("KG520") != std::string::npos;
}

PHONE_TYPE_t CPhone_KG520_ON_TQ88410::GetPhoneType() const
{
    return PHONE_TYPE_KG520_ON;
}
