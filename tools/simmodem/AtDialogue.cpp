#include "AtDialogue.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace simmodem {

namespace {

// A real modem's line buffer is a few hundred bytes; past this a unit ends wherever it stands.
const std::size_t MAX_UNIT = 64 * 1024;
const char CTRL_Z = 0x1A;
const char ESC = 0x1B;

const int CME_SIM_NOT_INSERTED = 10;
const int CMS_OPERATION_NOT_ALLOWED = 302;
const int CMS_INVALID_PDU = 304;
const int CMS_SIM_NOT_INSERTED = 310;
const int CMS_INVALID_INDEX = 321;

std::string Ok() { return "\r\nOK\r\n"; }
std::string Error() { return "\r\nERROR\r\n"; }
std::string Info(const std::string& line) { return "\r\n" + line + "\r\n" + Ok(); }

bool StartsWith(const std::string& text, const std::string& prefix, std::string* rest = nullptr)
{
    if (text.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    if (rest != nullptr) {
        *rest = text.substr(prefix.size());
    }
    return true;
}

// The command from its "AT" on, letters upper case and blanks dropped outside quotes, without the
// line end; empty when the line holds no "AT".
std::string Normalize(const std::string& raw)
{
    std::size_t at = std::string::npos;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(raw[i])) == 'A' &&
            std::toupper(static_cast<unsigned char>(raw[i + 1])) == 'T') {
            at = i;
            break;
        }
    }
    if (at == std::string::npos) {
        return "";
    }
    std::string out;
    bool quoted = false;
    for (std::size_t i = at; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
        }
        if (!quoted && (c == ' ' || c == '\r' || c == '\n')) {
            continue;
        }
        out += quoted ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// The whole text as a decimal number.
bool ParseInt(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    value = std::atoi(text.c_str());
    return true;
}

std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : text) {
        if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

std::string Unquote(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsHex(const std::string& text)
{
    for (char c : text) {
        if (HexValue(c) < 0) {
            return false;
        }
    }
    return true;
}

// The octets of a PDU after its service-centre field, as "+CMGS=" and "+CMGL:" count them.
int TpduLength(const std::string& hex)
{
    int octets = static_cast<int>(hex.size() / 2);
    if (hex.size() < 2 || !IsHex(hex.substr(0, 2))) {
        return octets;
    }
    int sca = HexValue(hex[0]) * 16 + HexValue(hex[1]);
    return octets - 1 - sca < 0 ? 0 : octets - 1 - sca;
}

bool StatusMatches(int wanted, int status)
{
    return wanted == 4 || wanted == status;
}

std::string Upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

template <typename Record>
void Store(std::map<int, Record>& records, Record record)
{
    if (record.index < 0) {
        record.index = records.empty() ? 0 : records.rbegin()->first + 1;
    }
    records[record.index] = record;
}

} // namespace

std::string Utf8ToUcs2(const std::string& text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        unsigned code = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0 || (lead & 0xF0) == 0xE0 || (lead & 0xF8) == 0xF0) {
            length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
            unsigned value = lead & (0x7F >> length);
            bool whole = i + length <= text.size();
            for (std::size_t k = 1; whole && k < length; ++k) {
                unsigned char next = static_cast<unsigned char>(text[i + k]);
                whole = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            if (!whole) {
                length = 1;
            } else if (value <= 0xFFFF) {
                code = value;
            }
        }
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
        i += length;
    }
    return out;
}

AtDialogue::AtDialogue(const ModemConfig& config)
    : config(config), echo(config.echo), modeConfig(config.modeConfig)
{
    storages["SM"];
    storages["ME"];
    for (const StoredPdu& pdu : config.pdus) {
        Store(storages[Upper(pdu.storage)].pdus, pdu);
    }
    for (const CdmaRecord& record : config.cdma) {
        Store(storages[Upper(record.storage)].cdma, record);
    }
}

AtDialogue::Step AtDialogue::Push(char c, Received& unit)
{
    if (mode != Mode::CdmaBody && c == '\n' && pending.empty()) {
        return Step::Trailer;
    }
    pending += c;
    bool done = pending.size() >= MAX_UNIT;
    switch (mode) {
    case Mode::Command:
        done = done || c == '\r';
        break;
    case Mode::PduBody:
        done = done || c == CTRL_Z || c == ESC;
        break;
    case Mode::CdmaBody:
        // UCS-2 characters such as U+4E1A carry a 0x1A byte: only the pair 00 1A ends the body.
        done = done || (pending.size() % 2 == 0 && pending[pending.size() - 2] == 0 && c == CTRL_Z);
        break;
    }
    if (!done) {
        return Step::Pending;
    }
    unit.text.swap(pending);
    unit.body = mode != Mode::Command;
    pending.clear();
    return Step::Unit;
}

std::string AtDialogue::Respond(const Received& unit)
{
    if (unit.body) {
        return Body(unit.text);
    }
    std::string line = Normalize(unit.text);
    if (line.empty()) {
        return ""; // noise on the line, not a command
    }
    return Command(line.substr(2));
}

std::string AtDialogue::Command(const std::string& cmd)
{
    const PHONE_TYPE_t type = config.type;
    const bool cdma = type == PHONE_TYPE_KC640_ON;
    const bool iccidQuery = type == PHONE_TYPE_K7040_ME || type == PHONE_TYPE_KH900;
    std::string args;

    if (cmd.empty()) {
        return Ok();
    }
    if (cmd == "E0" || cmd == "E" || cmd == "E1") {
        echo = cmd == "E1";
        return Ok();
    }
    if (cmd == "I" || cmd == "I0") {
        return config.ati.empty() ? ReferenceAti(type, config.serial) : config.ati;
    }
    if (StartsWith(cmd, "+CMEE=", &args)) {
        int value = 0;
        if (!ParseInt(args, value) || value > 2) {
            return Error();
        }
        cmee = value;
        return Ok();
    }
    if (StartsWith(cmd, "+CMGF=", &args)) {
        if (args != "0" && args != "1") {
            return Error();
        }
        cmgf = args[0] - '0';
        return Ok();
    }
    if (cmd == "+CMGF?") {
        return Info("+CMGF: " + std::to_string(cmgf));
    }
    if (StartsWith(cmd, "+CPMS=", &args)) {
        return SelectStorage(args);
    }
    if (cmd == "+CPMS?") {
        std::string one = "\"" + currentStorage + "\"," + StorageCounts();
        return Info("+CPMS: " + one + "," + one + "," + one);
    }
    if (cmd == "+CGSN") {
        return Info(config.serial);
    }
    if (cmd == "+CSQ") {
        return Info("+CSQ: " + std::to_string(config.rssi) + "," + std::to_string(config.ber));
    }
    if ((cmd == "+CCID" && !iccidQuery) || (cmd == "^ICCID?" && iccidQuery)) {
        return CardNumber();
    }
    if (cmd == "+COPS?") {
        return Operator();
    }
    if (!cdma && cmd == "+CSCA?") {
        return CentreNumber();
    }
    if (!cdma && StartsWith(cmd, "+CMGS=", &args)) {
        return StartPduSend(args);
    }
    if (!cdma && (cmd == "+CMGL" || StartsWith(cmd, "+CMGL=", &args))) {
        return ListPdus(args.empty() ? "0" : args);
    }
    if (!cdma && StartsWith(cmd, "+CMGR=", &args)) {
        return ReadPdu(args);
    }
    if (cmd == "+CMGD=?") {
        return UsedIndexes();
    }
    if (StartsWith(cmd, "+CMGD=", &args)) {
        return Delete(args);
    }
    if (type == PHONE_TYPE_K7040_NC5) {
        if (cmd == "^MODECONFIG?") {
            return modeConfig < 0 ? Error() : Info("^MODECONFIG: " + std::to_string(modeConfig));
        }
        if (StartsWith(cmd, "^MODECONFIG=", &args) && ParseInt(args, modeConfig)) {
            return Ok();
        }
        if (StartsWith(cmd, "+ATVER=")) {
            return Ok();
        }
    }
    if (iccidQuery && StartsWith(cmd, "^CURC=")) {
        return Ok();
    }
    if (cdma) {
        if (StartsWith(cmd, "^RSSIREP=") || StartsWith(cmd, "^HSMSSS=")) {
            return Ok();
        }
        if (StartsWith(cmd, "^HCMGS=")) {
            return StartCdmaSend();
        }
        if (StartsWith(cmd, "^HCMGL=", &args)) {
            return ListCdma(args);
        }
        if (StartsWith(cmd, "^HCMGR=", &args)) {
            return ReadCdma(args);
        }
    }
    return Error();
}

std::string AtDialogue::Body(const std::string& text)
{
    Mode was = mode;
    mode = Mode::Command;
    if (was == Mode::CdmaBody) {
        return "\r\nOK\r\n\r\n^HCMGSS:" + std::to_string(++messageReference) + "\r\n";
    }
    if (text.back() == ESC) {
        return ""; // the host took the message back
    }
    std::string hex = text.back() == CTRL_Z ? text.substr(0, text.size() - 1) : text;
    if (hex.size() < 2 || hex.size() % 2 != 0 || !IsHex(hex) || TpduLength(hex) != declaredLength) {
        return CmsError(CMS_INVALID_PDU);
    }
    return Info("+CMGS: " + std::to_string(++messageReference));
}

std::string AtDialogue::SelectStorage(const std::string& args)
{
    std::string name = Upper(Unquote(Fields(args)[0]));
    if (name == "MT") {
        name = "ME";
    }
    if (name != "SM" && name != "ME") {
        return CmsError(CMS_OPERATION_NOT_ALLOWED);
    }
    if (name == "SM" && !config.sim) {
        return CmeError(CME_SIM_NOT_INSERTED);
    }
    currentStorage = name;
    std::string counts = StorageCounts();
    return Info("+CPMS: " + counts + "," + counts + "," + counts);
}

std::string AtDialogue::StorageCounts() const
{
    const Storage& storage = Current();
    std::size_t used = config.type == PHONE_TYPE_KC640_ON ? storage.cdma.size() : storage.pdus.size();
    return std::to_string(used) + "," + (currentStorage == "SM" ? "50" : "100");
}

std::string AtDialogue::CardNumber() const
{
    if (!config.sim) {
        return CmeError(CME_SIM_NOT_INSERTED);
    }
    bool iccidQuery = config.type == PHONE_TYPE_K7040_ME || config.type == PHONE_TYPE_KH900;
    return Info((iccidQuery ? "^ICCID: " : "+CCID: ") + config.iccid);
}

std::string AtDialogue::CentreNumber() const
{
    if (!config.sim) {
        return CmeError(CME_SIM_NOT_INSERTED);
    }
    const std::string& centre = config.centre;
    bool international = !centre.empty() && centre[0] == '+';
    return Info("+CSCA: \"" + centre + "\"," + (international ? "145" : "129"));
}

std::string AtDialogue::Operator() const
{
    if (!config.sim || config.operatorName.empty()) {
        return Info("+COPS: 0");
    }
    return Info("+COPS: 0,0,\"" + config.operatorName + "\",7");
}

std::string AtDialogue::StartPduSend(const std::string& args)
{
    if (!config.sim) {
        return CmsError(CMS_SIM_NOT_INSERTED);
    }
    if (cmgf != 0) {
        return CmsError(CMS_OPERATION_NOT_ALLOWED);
    }
    if (!ParseInt(args, declaredLength) || declaredLength < 1 || declaredLength > 255) {
        return Error();
    }
    mode = Mode::PduBody;
    return "\r\n> ";
}

std::string AtDialogue::StartCdmaSend()
{
    if (!config.sim) {
        return CmsError(CMS_SIM_NOT_INSERTED);
    }
    mode = Mode::CdmaBody;
    return "\r\n> ";
}

std::string AtDialogue::ListPdus(const std::string& args)
{
    int wanted = 0;
    if (cmgf != 0 || !ParseInt(args, wanted) || wanted > 4) {
        return CmsError(CMS_OPERATION_NOT_ALLOWED);
    }
    std::string out;
    for (auto& entry : Current().pdus) {
        StoredPdu& message = entry.second;
        if (!StatusMatches(wanted, message.status)) {
            continue;
        }
        out += "\r\n+CMGL: " + std::to_string(message.index) + "," + std::to_string(message.status) + ",," +
               std::to_string(TpduLength(message.pdu)) + "\r\n" + message.pdu;
        if (message.status == 0) {
            message.status = 1;
        }
    }
    return out + (out.empty() ? "" : "\r\n") + Ok();
}

std::string AtDialogue::ReadPdu(const std::string& args)
{
    int index = 0;
    auto found = ParseInt(args, index) ? Current().pdus.find(index) : Current().pdus.end();
    if (cmgf != 0 || found == Current().pdus.end()) {
        return CmsError(CMS_INVALID_INDEX);
    }
    StoredPdu& message = found->second;
    std::string header = "+CMGR: " + std::to_string(message.status) + ",," + std::to_string(TpduLength(message.pdu));
    if (message.status == 0) {
        message.status = 1;
    }
    return "\r\n" + header + "\r\n" + message.pdu + "\r\n" + Ok();
}

std::string AtDialogue::UsedIndexes() const
{
    std::string list;
    auto add = [&list](int index) { list += (list.empty() ? "" : ",") + std::to_string(index); };
    if (config.type == PHONE_TYPE_KC640_ON) {
        for (const auto& entry : Current().cdma) {
            add(entry.first);
        }
    } else {
        for (const auto& entry : Current().pdus) {
            add(entry.first);
        }
    }
    return Info("+CMGD: (" + list + "),(0-4)");
}

std::string AtDialogue::Delete(const std::string& args)
{
    std::vector<std::string> fields = Fields(args);
    int index = 0;
    int flag = 0;
    if (fields.size() > 2 || !ParseInt(fields[0], index) || (fields.size() == 2 && !ParseInt(fields[1], flag)) ||
        flag > 4) {
        return Error();
    }
    // Flags 1 to 4 widen the deletion to every message of these statuses, whatever the index.
    static const bool byFlag[5][4] = {
        {false, false, false, false}, {false, true, false, false}, {false, true, false, true},
        {false, true, true, true}, {true, true, true, true}};
    auto sweep = [&](auto& records) {
        for (auto it = records.begin(); it != records.end();) {
            int status = it->second.status;
            bool hit = flag == 0 ? it->first == index : (status >= 0 && status < 4 && byFlag[flag][status]);
            it = hit ? records.erase(it) : std::next(it);
        }
    };
    sweep(Current().pdus);
    sweep(Current().cdma);
    return Ok();
}

std::string AtDialogue::ListCdma(const std::string& args)
{
    int wanted = 0;
    if (!ParseInt(args, wanted) || wanted > 4) {
        return Error();
    }
    std::string out;
    for (const auto& entry : Current().cdma) {
        if (StatusMatches(wanted, entry.second.status)) {
            out += "\r\n^HCMGL:" + std::to_string(entry.first) + "," + std::to_string(entry.second.status);
        }
    }
    return out + (out.empty() ? "" : "\r\n") + Ok();
}

std::string AtDialogue::ReadCdma(const std::string& args)
{
    int index = 0;
    auto found = ParseInt(args, index) ? Current().cdma.find(index) : Current().cdma.end();
    if (found == Current().cdma.end()) {
        return CmsError(CMS_INVALID_INDEX);
    }
    CdmaRecord& record = found->second;
    int when[6] = {0, 0, 0, 0, 0, 0};
    std::sscanf(record.time.c_str(), "%d-%d-%d %d:%d:%d", &when[0], &when[1], &when[2], &when[3], &when[4], &when[5]);
    std::string header = "^HCMGR:" + record.sender;
    for (int i = 0; i < 6; ++i) {
        char field[16];
        std::snprintf(field, sizeof field, i == 0 ? ",%04d" : ",%02d", when[i]);
        header += field;
    }
    // The text ends with Ctrl-Z in the text's own coding.
    std::string text = record.format == 6 ? Utf8ToUcs2(record.text) : record.text;
    header += ",0," + std::to_string(record.format) + "," + std::to_string(text.size()) + ",0,0,0," +
              std::to_string(record.status);
    text += record.format == 6 ? std::string("\0\x1A", 2) : std::string(1, CTRL_Z);
    if (record.status == 0) {
        record.status = 1;
    }
    return "\r\n" + header + "\r\n" + text + "\r\n" + Ok();
}

std::string AtDialogue::CmeError(int number) const
{
    if (cmee == 0) {
        return Error();
    }
    if (cmee == 2) {
        return std::string("\r\n+CME ERROR: ") + (number == CME_SIM_NOT_INSERTED ? "SIM not inserted" : "unknown") +
               "\r\n";
    }
    return "\r\n+CME ERROR: " + std::to_string(number) + "\r\n";
}

std::string AtDialogue::CmsError(int number) const
{
    return cmee == 0 ? Error() : "\r\n+CMS ERROR: " + std::to_string(number) + "\r\n";
}

} // namespace simmodem
