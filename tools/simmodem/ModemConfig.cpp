#include "ModemConfig.h"

#include <utility>

namespace simmodem {

Fault Fault::Silence(std::string on, int times)
{
    Fault fault;
    fault.kind = FaultKind::Silence;
    fault.on = std::move(on);
    fault.times = times;
    return fault;
}

Fault Fault::Garbage(std::string on, std::size_t bytes, int times)
{
    Fault fault = Silence(std::move(on), times);
    fault.kind = FaultKind::Garbage;
    fault.bytes = bytes;
    return fault;
}

Fault Fault::Replace(std::string on, std::string text, int times)
{
    Fault fault = Silence(std::move(on), times);
    fault.kind = FaultKind::Replace;
    fault.text = std::move(text);
    return fault;
}

Fault Fault::Delay(std::string on, int pauseMs, int times)
{
    Fault fault = Silence(std::move(on), times);
    fault.kind = FaultKind::Delay;
    fault.pauseMs = pauseMs;
    return fault;
}

Fault Fault::Split(std::string on, std::size_t pieceBytes, int pauseMs, int times)
{
    Fault fault = Silence(std::move(on), times);
    fault.kind = FaultKind::Split;
    fault.bytes = pieceBytes;
    fault.pauseMs = pauseMs;
    return fault;
}

Fault Fault::HangUp(std::string on, std::size_t bytesBefore)
{
    Fault fault = Silence(std::move(on), 1);
    fault.kind = FaultKind::HangUp;
    fault.bytes = bytesBefore;
    return fault;
}

Fault Fault::BodyError(int number, int times)
{
    return Replace(">", "\r\n+CMS ERROR: " + std::to_string(number) + "\r\n", times);
}

ModemConfig ModemConfig::ForType(PHONE_TYPE_t type)
{
    ModemConfig config;
    config.type = type;
    if (type == PHONE_TYPE_KC640_ON) {
        config.serial = "80A1B2C7";
    } else {
        config.serial = "86758403000000" + std::to_string(static_cast<int>(type) % 10);
    }
    return config;
}

std::string ReferenceAti(PHONE_TYPE_t type, const std::string& serial)
{
    switch (type) {
    case PHONE_TYPE_K7040_NC5:
        return "\r\nManufacturer: Yuga Co.,Ltd.\r\nModel: CLM920_NC5\r\n"
               "Revision: CLM920_NC5-V1 [Jul 31 2017 14:44:25]\r\nIMEI: " + serial +
               "\r\n+GCAP: +CGSM\r\nEFS_SVN: cn_efs_20170731_2k\r\n\r\nOK\r\n";
    case PHONE_TYPE_KL48_FT_ON:
        return "\r\nQuectel_Ltd\r\nQuectel_M35\r\nRevision: M35FBR02A03\r\n\r\nOK\r\n";
    case PHONE_TYPE_K7040_ME:
        return "\r\nManufacturer: Huawei Technologies Co., Ltd.\r\nModel: ME909s-821\r\n"
               "Revision: 11.617.05.00.00\r\nIMEI: " + serial + "\r\n+GCAP: +CGSM,+DS,+ES\r\n\r\nOK\r\n";
    case PHONE_TYPE_KG520_ON:
        return "\r\nManufacture: HUAWEI\r\nModel: KG520\r\nRevision: 11.310.21.03.00\r\nIMEI: " + serial +
               "\r\n+GCAP: +CGSM\r\n\r\nOK\r\n";
    case PHONE_TYPE_K3350B_FT_ON:
        return "\r\n WAVECOM MODEM\r\n\r\n MULTIBAND  900E  1800 \r\n\r\nOK\r\n";
    case PHONE_TYPE_KC640_ON:
        return "\r\nManufacturer:HUAWEI TECHNOLOGIES CO., LTD\r\nModel:KC640-a\r\n"
               "Revision:12.102.29.00.00\r\nESN:" + serial + "\r\n\r\nOK\r\n";
    case PHONE_TYPE_KH900:
        return "\r\nManufacturer: Huawei Technologies Co., Ltd.\r\nModel : KH900 - 31\r\n"
               "Revision : 11.810.00.01.00\r\nIMEI : " + serial + "\r\n+ GCAP : +CGSM, +DS, +ES\r\n\r\nOK\r\n";
    default:
        return "";
    }
}

} // namespace simmodem
