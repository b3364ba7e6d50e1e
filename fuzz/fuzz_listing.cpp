// Feeds modem answers to the stored-message judges of the GSM base driver, the type-2 driver and
// the CDMA driver. The input is cut at 0xFE bytes: the first piece is the listing answer, every
// further piece the answer to one read command.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CPhone_K7040_NC5.h"
#include "CPhone_KC640_ON.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFE) {
            pieces.emplace_back();
        } else {
            pieces.back() += static_cast<char>(data[i]);
        }
    }
    const std::string& listing = pieces[0];

    CPhoneCardBase base;
    // The exchange loop judges every prefix as it arrives; a few cut points stand for that.
    base.OnReadAllSmsCmdRsp(listing.substr(0, listing.size() / 2));
    base.OnReadAllSmsCmdRsp(listing);

    CPhone_K7040_NC5 nc5;
    CPhone_KC640_ON cdma;
    nc5.OnReadAllSmsCmdRsp(listing);
    cdma.OnReadAllSmsCmdRsp(listing.substr(0, listing.size() / 2));
    cdma.OnReadAllSmsCmdRsp(listing);
    for (size_t i = 1; i < pieces.size(); ++i) {
        nc5.GetReadNextSmsCmd();
        nc5.OnReadNextSmsCmdRsp(pieces[i]);
        cdma.GetReadNextSmsCmd();
        cdma.OnReadNextSmsCmdRsp(pieces[i].substr(0, pieces[i].size() / 2));
        cdma.OnReadNextSmsCmdRsp(pieces[i]);
    }
    return 0;
}
