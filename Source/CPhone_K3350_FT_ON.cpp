#include "CPhone_K3350_FT_ON.h"

std::string CPhone_K3350_FT_ON::Get_ATI_Rsp() const
{
    return "\r\n WAVECOM MODEM\r\n"
           "\r\n MULTIBAND  900E  1800 \r\n"
           "\r\nOK\r\n";
}

bool CPhone_K3350_FT_ON::IsATI_RspMatch(std::string rsp) const
{
    return rsp.find("WAVECOM") != std::string::npos;
}

PHONE_TYPE_t CPhone_K3350_FT_ON::GetPhoneType() const
{
    return PHONE_TYPE_K3350B_FT_ON;
}
