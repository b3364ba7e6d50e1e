#include "CPhone_KH900.h"

std::string CPhone_KH900::Get_ATI_Rsp() const
{
    return "\r\nManufacturer: Huawei Technologies Co., Ltd.\r\n"
           "Model : KH900 - 31\r\n"
           "Revision : 11.810.00.01.00\r\n"
           "IMEI : 866123456789031\r\n"
           "+ GCAP : +CGSM, +DS, +ES\r\n"
           "\r\nOK\r\n";
}

bool CPhone_KH900::IsATI_RspMatch(std::string rsp) const
{
    return rsp.find("KH900") != std::string::npos;
}

std::string CPhone_KH900::GetCallCmd(std::string number) const
{
    return "ATD" + number + ";\r\n";
}

bool CPhone_KH900::OnCallCmdRsp(std::string rsp)
{
    return !rsp.empty();
}

std::string CPhone_KH900::GetHungUpCmd() const
{
    return "at+chup;\r\n";
}

bool CPhone_KH900::OnHungUpCmdRsp(std::string rsp)
{
    return !rsp.empty();
}

std::string CPhone_KH900::GetIMSI_Cmd() const
{
    return "AT^ICCID?\r\n";
}

int CPhone_KH900::OnGetIMSI_CmdRsp(std::string rsp)
{
    return OnGetIccidRsp(rsp);
}

PHONE_TYPE_t CPhone_KH900::GetPhoneType() const
{
    return PHONE_TYPE_KH900;
}

std::vector<std::string> CPhone_KH900::GetInitAtCmd() const
{
    std::vector<std::string> commands = CPhoneCardBase::GetInitAtCmd();
    commands.push_back("AT^CURC=0\r\n");
    return commands;
}
