// The AT dialogue of one simulated modem, without the line: it cuts the bytes the host writes into
// command lines and message bodies, and answers each one as the modem of its device type would.
#ifndef SIMMODEM_ATDIALOGUE_H
#define SIMMODEM_ATDIALOGUE_H

#include <map>
#include <string>

#include "ModemConfig.h"

namespace simmodem {

// One unit the host wrote: a command line up to its CR, or a message body after the ">" prompt
// up to its Ctrl-Z.
struct Received {
    std::string text;
    bool body = false;
};

class AtDialogue {
public:
    explicit AtDialogue(const ModemConfig& config);

    enum class Step {
        Pending, // the byte belongs to a unit still being received
        Unit,    // the byte completed a unit, now in `unit`
        Trailer, // a line feed after a command line's CR, which ends nothing by itself
    };
    Step Push(char c, Received& unit);

    // The answer to a complete unit (echo not included), with the state change it makes.
    std::string Respond(const Received& unit);

    // Whether command lines are echoed, as "ATE0"/"ATE1" left it.
    bool Echo() const { return echo; }

private:
    enum class Mode { Command, PduBody, CdmaBody };

    struct Storage {
        std::map<int, StoredPdu> pdus;
        std::map<int, CdmaRecord> cdma;
    };

    std::string Command(const std::string& cmd);
    std::string Body(const std::string& text);
    std::string SelectStorage(const std::string& args);
    std::string StorageCounts() const;
    std::string CardNumber() const;
    std::string CentreNumber() const;
    std::string Operator() const;
    std::string StartPduSend(const std::string& args);
    std::string StartCdmaSend();
    std::string ListPdus(const std::string& args);
    std::string ReadPdu(const std::string& args);
    std::string UsedIndexes() const;
    std::string Delete(const std::string& args);
    std::string ListCdma(const std::string& args);
    std::string ReadCdma(const std::string& args);

    std::string CmeError(int number) const;
    std::string CmsError(int number) const;
    Storage& Current() { return storages[currentStorage]; }
    const Storage& Current() const { return storages.at(currentStorage); }

    ModemConfig config;
    Mode mode = Mode::Command;
    std::string pending;
    bool echo;
    int cmee = 0;
    int cmgf = 0;
    int modeConfig;
    int declaredLength = 0;
    int messageReference = 0;
    std::string currentStorage = "SM";
    std::map<std::string, Storage> storages;
};

// A UTF-8 text as UCS-2, two bytes a character, high byte first; what it cannot code becomes
// U+FFFD.
std::string Utf8ToUcs2(const std::string& text);

} // namespace simmodem

#endif
