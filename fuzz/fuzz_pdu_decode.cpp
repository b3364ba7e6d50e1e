// Stored-message PDUs come from the modem: any text must decode without reading or writing out of
// bounds, and every text field must stay terminated inside its record field.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "Sms.h"

namespace {

template <size_t N>
void CheckTerminated(const char (&field)[N])
{
    if (strnlen(field, N) == N) __builtin_trap();
}

void Check(const SM_PARAM& record)
{
    CheckTerminated(record.SCA);
    CheckTerminated(record.TPA);
    CheckTerminated(record.TP_UD);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The decoders take a terminated text; an exact-size heap copy lets ASan see any over-read.
    const std::string text(reinterpret_cast<const char*>(data), size);
    SM_PARAM record;
    std::memset(&record, 0x5A, sizeof record);  // decoders must not rely on a cleared record
    const int received = gsmDecodePdu(text.c_str(), record);
    Check(record);
    CheckTerminated(record.TP_SCTS);
    if (record.isConcat) {
        CheckTerminated(record.concatHex);
        if (record.concatHexLen != static_cast<int32_t>(std::strlen(record.concatHex))) __builtin_trap();
    }
    if (received < 0 || received >= static_cast<int>(sizeof record.TP_UD)) __builtin_trap();

    std::memset(&record, 0x5A, sizeof record);
    const int stored = gsmDecodeSendPdu(text.c_str(), record);
    Check(record);
    if (stored < 0 || stored >= static_cast<int>(sizeof record.TP_UD)) __builtin_trap();
    return 0;
}
