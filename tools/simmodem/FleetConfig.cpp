#include "FleetConfig.h"

#include <memory>
#include <set>

#include <json/json.h>

#include "Transcript.h"

namespace simmodem {

namespace {

// Reads the members of one JSON object by name, checking their types, and at the end that no
// other member was given. The first problem is kept in `error`.
class ObjectReader {
public:
    ObjectReader(const Json::Value& object, std::string where, std::string& error)
        : object(object), where(std::move(where)), error(error)
    {
        if (!object.isObject()) {
            Fail("", "an object");
        }
    }

    bool Ok() const { return error.empty(); }

    void Int(const char* key, int& out)
    {
        if (const Json::Value* value = Find(key)) {
            value->isInt() ? void(out = value->asInt()) : Fail(key, "an integer");
        }
    }

    void Size(const char* key, std::size_t& out)
    {
        int value = static_cast<int>(out);
        Int(key, value);
        value >= 0 ? void(out = static_cast<std::size_t>(value)) : Fail(key, "not negative");
    }

    void Bool(const char* key, bool& out)
    {
        if (const Json::Value* value = Find(key)) {
            value->isBool() ? void(out = value->asBool()) : Fail(key, "true or false");
        }
    }

    void String(const char* key, std::string& out)
    {
        if (const Json::Value* value = Find(key)) {
            value->isString() ? void(out = value->asString()) : Fail(key, "a string");
        }
    }

    // The member's array, or null when it is absent or not an array.
    const Json::Value* Array(const char* key)
    {
        const Json::Value* value = Find(key);
        if (value != nullptr && !value->isArray()) {
            Fail(key, "an array");
            return nullptr;
        }
        return value;
    }

    bool Has(const char* key) const { return object.isObject() && object.isMember(key); }

    void Fail(const std::string& key, const std::string& expected)
    {
        if (error.empty()) {
            error = where + (key.empty() ? "" : "." + key) + ": must be " + expected;
        }
    }

    bool Done()
    {
        if (Ok() && object.isObject()) {
            for (const std::string& name : object.getMemberNames()) {
                if (used.count(name) == 0) {
                    error = where + "." + name + ": unknown member";
                    break;
                }
            }
        }
        return Ok();
    }

    std::string Where() const { return where; }

private:
    const Json::Value* Find(const char* key)
    {
        used.insert(key);
        return Ok() && object.isObject() && object.isMember(key) ? &object[key] : nullptr;
    }

    const Json::Value& object;
    const std::string where;
    std::string& error;
    std::set<std::string> used;
};

bool ParseStorage(ObjectReader& reader, std::string& storage)
{
    reader.String("storage", storage);
    if (reader.Ok() && storage != "SM" && storage != "ME") {
        reader.Fail("storage", "\"SM\" or \"ME\"");
    }
    return reader.Ok();
}

bool ParsePdu(const Json::Value& value, const std::string& where, StoredPdu& pdu, std::string& error)
{
    ObjectReader reader(value, where, error);
    ParseStorage(reader, pdu.storage);
    reader.Int("index", pdu.index);
    reader.Int("status", pdu.status);
    reader.String("pdu", pdu.pdu);
    return reader.Done();
}

bool ParseCdma(const Json::Value& value, const std::string& where, CdmaRecord& record, std::string& error)
{
    ObjectReader reader(value, where, error);
    ParseStorage(reader, record.storage);
    reader.Int("index", record.index);
    reader.Int("status", record.status);
    reader.String("sender", record.sender);
    reader.String("time", record.time);
    reader.Int("format", record.format);
    reader.String("text", record.text);
    if (reader.Ok() && record.format != 1 && record.format != 6) {
        reader.Fail("format", "1 or 6");
    }
    return reader.Done();
}

bool ParseFault(const Json::Value& value, const std::string& where, Fault& fault, std::string& error)
{
    static const struct {
        const char* name;
        FaultKind kind;
    } kinds[] = {{"silence", FaultKind::Silence}, {"garbage", FaultKind::Garbage}, {"replace", FaultKind::Replace},
                 {"delay", FaultKind::Delay},     {"split", FaultKind::Split},     {"hangup", FaultKind::HangUp},
                 {"bodyError", FaultKind::Replace}};
    ObjectReader reader(value, where, error);
    std::string kind;
    int number = 0;
    reader.String("kind", kind);
    reader.String("on", fault.on);
    reader.Int("times", fault.times);
    reader.Size("bytes", fault.bytes);
    reader.Int("pauseMs", fault.pauseMs);
    reader.String("text", fault.text);
    reader.Int("number", number);
    if (!reader.Done()) {
        return false;
    }
    fault.text = UnescapeBytes(fault.text);
    for (const auto& entry : kinds) {
        if (kind == entry.name) {
            fault.kind = entry.kind;
            if (kind == "bodyError") {
                fault = Fault::BodyError(number, fault.times);
            }
            return true;
        }
    }
    reader.Fail("kind", "one of silence, garbage, replace, delay, split, hangup, bodyError");
    return false;
}

template <typename Item, typename Parse>
bool ParseList(ObjectReader& reader, const char* key, std::vector<Item>& items, Parse parse, std::string& error)
{
    const Json::Value* list = reader.Array(key);
    if (list == nullptr) {
        return reader.Ok();
    }
    for (Json::ArrayIndex i = 0; i < list->size(); ++i) {
        Item item;
        if (!parse((*list)[i], reader.Where() + "." + key + "[" + std::to_string(i) + "]", item, error)) {
            return false;
        }
        items.push_back(item);
    }
    return true;
}

bool ParseModem(const Json::Value& value, const std::string& where, FleetEntry& entry, std::string& error)
{
    ObjectReader reader(value, where, error);
    int type = 0;
    if (!reader.Has("usb") || !reader.Has("type")) {
        reader.Fail("", "an object with \"usb\" and \"type\"");
    }
    reader.Int("usb", entry.usb);
    reader.Int("type", type);
    if (reader.Ok() && (type < PHONE_TYPE_K7040_NC5 || type > PHONE_TYPE_KH900)) {
        reader.Fail("type", "a device type from 2 to 8");
    }
    if (reader.Ok() && entry.usb < 0) {
        reader.Fail("usb", "not negative");
    }
    if (!reader.Ok()) {
        return false;
    }
    ModemConfig& config = entry.config;
    config = ModemConfig::ForType(static_cast<PHONE_TYPE_t>(type));
    std::string wrongRate = "silent";
    reader.Bool("sim", config.sim);
    reader.String("iccid", config.iccid);
    reader.String("serial", config.serial);
    reader.Int("rssi", config.rssi);
    reader.Int("ber", config.ber);
    reader.String("centre", config.centre);
    reader.String("operator", config.operatorName);
    reader.Int("modeconfig", config.modeConfig);
    reader.String("wrongRate", wrongRate);
    reader.Bool("echo", config.echo);
    reader.String("ati", config.ati);
    config.ati = UnescapeBytes(config.ati);
    if (reader.Ok() && wrongRate != "silent" && wrongRate != "garbage") {
        reader.Fail("wrongRate", "\"silent\" or \"garbage\"");
    }
    config.garbageOnWrongRate = wrongRate == "garbage";
    if (const Json::Value* rates = reader.Array("rates")) {
        for (const Json::Value& rate : *rates) {
            rate.isInt() ? config.rates.push_back(rate.asInt()) : reader.Fail("rates", "an array of integers");
        }
    }
    return reader.Ok() && ParseList(reader, "sms", config.pdus, ParsePdu, error) &&
           ParseList(reader, "cdma", config.cdma, ParseCdma, error) &&
           ParseList(reader, "faults", config.faults, ParseFault, error) && reader.Done();
}

} // namespace

bool ParseFleet(const std::string& json, std::vector<FleetEntry>& fleet, std::string& error)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> jsonReader(builder.newCharReader());
    Json::Value root;
    std::string parseErrors;
    error.clear();
    if (!jsonReader->parse(json.data(), json.data() + json.size(), &root, &parseErrors)) {
        error = "not JSON: " + parseErrors;
        return false;
    }
    ObjectReader reader(root, "fleet", error);
    const Json::Value* modems = reader.Array("modems");
    if (!reader.Done()) {
        return false;
    }
    if (modems == nullptr) {
        error = "fleet.modems: missing";
        return false;
    }
    std::set<int> numbers;
    for (Json::ArrayIndex i = 0; i < modems->size(); ++i) {
        FleetEntry entry;
        std::string where = "fleet.modems[" + std::to_string(i) + "]";
        if (!ParseModem((*modems)[i], where, entry, error)) {
            return false;
        }
        if (!numbers.insert(entry.usb).second) {
            error = where + ".usb: ttyUSB" + std::to_string(entry.usb) + " given twice";
            return false;
        }
        fleet.push_back(entry);
    }
    return true;
}

} // namespace simmodem
