// Feeds one modem answer to every judge of the base driver and of each device type, as the
// exchanges would, then builds the send steps with the centre number that answer may have left
// behind. The input is cut at 0xFE bytes: the answer, then the destination number, then the text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CreatePhone.h"

namespace {

void JudgeEverything(CPhoneCardBase& phone, const std::string& rsp)
{
    phone.OnGetAtCmdRsp(rsp);
    phone.OnGetAtiCmdRsp(rsp);
    phone.IsATI_RspMatch(rsp);
    phone.OnCCIDCmdRsp(rsp);
    phone.OnSetSmsPduModeCmdRsp(rsp);
    phone.OnSendPduSmsContextCmdRsp(rsp);
    phone.OnSendPduSmsLenCmdRsp(rsp);
    phone.OnGetIMSI_CmdRsp(rsp);
    phone.OnGetIMEI_Cmd(rsp);
    phone.OnGetSignalStrengthCmdRsp(rsp);
    phone.OnDelAllSmsCmdRsp(rsp);
    phone.OnGetRecvSmsCompatibleModeCmdRsp(rsp);
    phone.OnGetReadSmsOnMeCmd(rsp);
    phone.OnGetReadSmsOnSmCmd(rsp);
    phone.OnInitAtCmdRsp(rsp);
    phone.GetErrorMessage();
    phone.GetSmsCardNumber();
    phone.GetSerialNumber();
    phone.GetSignalStrength();
    // Last, so that the send steps below use whatever centre number it kept.
    phone.OnGetQuerySmsCenterCmdRsp(rsp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size && pieces.size() <= 3; ++i) {
        if (data[i] == 0xFE) {
            pieces.emplace_back();
        } else {
            pieces.back() += static_cast<char>(data[i]);
        }
    }
    pieces.resize(3);
    const std::string& rsp = pieces[0];

    std::vector<std::unique_ptr<CPhoneCardBase>> phones = CreateAllPhonesInPriorityOrder();
    phones.push_back(std::make_unique<CPhoneCardBase>());
    for (const std::unique_ptr<CPhoneCardBase>& phone : phones) {
        // The exchange loop judges every prefix as it arrives; a cut point stands for that.
        JudgeEverything(*phone, rsp.substr(0, rsp.size() / 2));
        JudgeEverything(*phone, rsp);
        phone->GetSendPduSmsCmdArray(pieces[1], pieces[2]);
    }
    return 0;
}
