#include "CPhone_K7040_ME.h"

std::string CPhone_K7040_ME::Get_ATI_Rsp() const
{
    return "\r\nManufacturer: Huawei Technologies Co., Ltd.\r\n"
           "Model: ME909s-821\r\n"
           "Revision: 11.617.05.00.00\r\n"
           "IMEI: 866123456789023\r\n"
           "+GCAP: +CGSM,+DS,+ES\r\n"
           "\r\nOK\r\n";
}

bool CPhone_K7040_ME::IsATI_RspMatch(std::string rsp) const
{
    return rsp.find("ME909s-821") != std::string::npos;
}

std::string CPhone_K7040_ME::GetCallCmd(std::string number) const
{
    return "ATD" + number + ";\r\n";
}

bool CPhone_K7040_ME::OnCallCmdRsp(std::string rsp)
{
    return !rsp.empty();
}

std::string CPhone_K7040_ME::GetHungUpCmd() const
{
    return "at+chup;\r\n";
}

bool CPhone_K7040_ME::OnHungUpCmdRsp(std::string rsp)
{
    return !rsp.empty();
}

std::string CPhone_K7040_ME::GetIMSI_Cmd() const
{
    return "AT^ICCID?\r\n";
}

int CPhone_K7040_ME::OnGetIMSI_CmdRsp(std::string rsp)
{
    return OnGetIccidRsp(rsp);
}

PHONE_TYPE_t CPhone_K7040_ME::GetPhoneType() const
{
    return PHONE_TYPE_K7040_ME;
}

std::vector<std::string> CPhone_K7040_ME::GetInitAtCmd() const
{
    std::vector<std::string> commands = CPhoneCardBase::GetInitAtCmd();
    commands.push_back("AT^CURC=0\r\n");
    return commands;
}
