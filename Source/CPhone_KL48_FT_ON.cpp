#include "CPhone_KL48_FT_ON.h"

std::string CPhone_KL48_FT_ON::Get_ATI_Rsp() const
{
    return "\r\nQuectel_Ltd\r\n"
           "Quectel_M35\r\n"
           "Revision: M35FBR02A03\r\n"
           "\r\nOK\r\n";
}

bool CPhone_KL48_FT_ON::IsATI_RspMatch(std::string rsp) const
{
    return rsp.find("M35") != std::string::npos;
}

PHONE_TYPE_t CPhone_KL48_FT_ON::GetPhoneType() const
{
    return PHONE_TYPE_KL48_FT_ON;
}
