// The stored-message modes end to end: Zavrix run in a private /dev against simulated modems.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Oracle.h"
#include "SimFleet.h"
#include "StoredSms.h"

using simmodem::Fault;
using simmodem::ModemConfig;
using storedsms::Cdma;
using storedsms::Deliver;
using storedsms::Part;
using storedsms::Stored;

namespace {

const std::string SENDER = "8613912345678";

// Runs one mode and gives its document; the output must be that document alone and an empty line.
Json::Value RunMode(const SimFleet& fleet, const std::string& word, std::string* output = nullptr,
                    const std::string& smsWord = "sms")
{
    simmodem::RunResult run = fleet.RunZavrix({smsWord, word});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(0u, run.out.find('{')) << run.out;
    EXPECT_GE(run.out.size(), 3u);
    EXPECT_EQ("}\n\n", run.out.substr(run.out.size() < 3 ? 0 : run.out.size() - 3)) << run.out;
    std::string error;
    Json::Value document = storedsms::ParseDocument(run.out, error);
    EXPECT_TRUE(document.isObject()) << error << "\n" << run.out;
    if (output != nullptr) {
        *output = run.out;
    }
    return document;
}

// A port's messages as "storage|from|time|text", in document order.
std::vector<std::string> Messages(const Json::Value& port)
{
    std::vector<std::string> list;
    for (const Json::Value& sms : port["msgs"]) {
        list.push_back(sms["storage"].asString() + "|" + sms["from"].asString() + "|" + sms["time"].asString() + "|" +
                       sms["text"].asString());
    }
    return list;
}

std::string Gsm(const char* storage, const std::string& text, const std::string& from = SENDER)
{
    return std::string(storage) + "|" + from + "|" + storedsms::SHOWN_TIME + "|" + text;
}

std::string CdmaShown(const char* storage, const std::string& from, const std::string& text)
{
    return std::string(storage) + "|" + from + "|2020-07-29 10:30:00|" + text;
}

bool Heard(const SimFleet& fleet, int usb, const std::string& prefix)
{
    const std::vector<std::string> heard = fleet[usb].Heard();
    return std::any_of(heard.begin(), heard.end(),
                       [&](const std::string& text) { return text.compare(0, prefix.size(), prefix) == 0; });
}

// A long message stored as its second part, a single message, then its first part; a single
// message in the device storage.
ModemConfig GsmWithLongMessage(PHONE_TYPE_t type)
{
    ModemConfig config = ModemConfig::ForType(type);
    config.pdus = {Stored("SM", 0, Deliver(SENDER, " world, 再见", Part{42, 2, 2})),
                   Stored("SM", 1, Deliver(SENDER, "SIM 你好")),
                   Stored("SM", 2, Deliver(SENDER, "Hello", Part{42, 2, 1})),
                   Stored("ME", 0, Deliver(SENDER, "device message"))};
    return config;
}

// A part as some modems store it: a concatenation header, but a first octet without the header
// indicator.
std::string WithoutHeaderIndicator(std::string pdu)
{
    return pdu.replace(18, 2, "00"); // the first octet, after the service centre
}

// A two-part UCS-2 message stored that way, its second part first, beside a single message.
ModemConfig GsmWithPartsLackingTheIndicator(PHONE_TYPE_t type)
{
    ModemConfig config = ModemConfig::ForType(type);
    config.pdus = {Stored("SM", 0, WithoutHeaderIndicator(Deliver(SENDER, "第二部分 second", Part{0x2A, 2, 2}))),
                   Stored("SM", 1, Deliver(SENDER, "单条 single")),
                   Stored("SM", 2, WithoutHeaderIndicator(Deliver(SENDER, "第一部分 first, ", Part{0x2A, 2, 1})))};
    return config;
}

ModemConfig WithSimMessages(PHONE_TYPE_t type, int count)
{
    ModemConfig config = ModemConfig::ForType(type);
    for (int i = 0; i < count; ++i) {
        config.pdus.push_back(Stored("SM", i, Deliver(SENDER, "SIM " + std::to_string(i))));
    }
    return config;
}

ModemConfig CdmaWith(std::vector<simmodem::CdmaRecord> records)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KC640_ON);
    config.cdma = std::move(records);
    return config;
}

Json::Value Coded(const std::string& text, const char* coding)
{
    Json::Value message = oracle::Message("+" + SENDER, text);
    message["coding"] = coding;
    return message;
}

Json::Value WidePart(const std::string& text, int ref, int total, int seq)
{
    Json::Value part = oracle::Part("+" + SENDER, text, ref, total, seq);
    part["concat"]["bits"] = 16;
    return part;
}

// By hand, as the library builds no header without elements: a UCS-2 message with the header
// indicator set and a header of its length octet alone.
std::string WithEmptyHeader(const std::string& text)
{
    std::string pdu = Deliver(SENDER, text);
    const std::size_t userData = pdu.size() - 2 * simmodem::Utf8ToUcs2(text).size();
    const int length = std::stoi(pdu.substr(userData - 2, 2), nullptr, 16);
    char udl[3];
    std::snprintf(udl, sizeof udl, "%02X", length + 1);
    pdu.replace(userData - 2, 2, std::string(udl) + "00");
    return pdu.replace(18, 2, "40"); // the first octet, after the service centre
}

// Messages as operators and phones send them, built by the independent library: 7-bit text with
// characters of both GSM tables, a class-1 7-bit message in each group form, a port header, and
// long messages with a 16-bit and an 8-bit reference stored out of order.
ModemConfig GsmWithEveryCoding(PHONE_TYPE_t type)
{
    Json::Value flash = Coded("Balance: £12.50, ¥0 {ok}", "7bit");
    flash["class"] = 1;
    Json::Value general = Coded("Flash_message é", "7bit");
    general["dcs"] = "11";
    Json::Value port = Coded("端口 port", "ucs2");
    port["udh"] = "0605040B8423F0";
    const std::vector<std::string> p = oracle::DeliverEach(
        {Coded("Cost $5 at_home £2 €3 {x} é@ü", "7bit"), flash, general, port, WidePart("第一部分 ", 0x1234, 3, 1),
         WidePart("second part, ", 0x1234, 3, 2), WidePart("third", 0x1234, 3, 3),
         oracle::Part("+" + SENDER, "eight ", 0x34, 2, 1), oracle::Part("+" + SENDER, "bit", 0x34, 2, 2)});
    ModemConfig config = ModemConfig::ForType(type);
    config.pdus = {Stored("SM", 0, p[6]), Stored("SM", 1, p[0]), Stored("SM", 2, p[8]), Stored("SM", 3, p[4]),
                   Stored("SM", 4, p[1]), Stored("SM", 5, p[2]), Stored("SM", 6, p[5]), Stored("SM", 7, p[3]),
                   Stored("SM", 8, p[7]), Stored("ME", 0, WithEmptyHeader("空的头 empty header"))};
    return config;
}

} // namespace

TEST(SmsMode, MessagesOfEveryAlphabetAndHeaderComeBackAsTheirSendersWroteThem)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, GsmWithEveryCoding(PHONE_TYPE_KL48_FT_ON)));
    ASSERT_TRUE(fleet.Add(1, GsmWithEveryCoding(PHONE_TYPE_K7040_NC5)));

    const std::vector<std::string> expected = {
        Gsm("SIM", "Cost $5 at_home £2 €3 {x} é@ü"), Gsm("SIM", "Balance: £12.50, ¥0 {ok}"),
        Gsm("SIM", "Flash_message é"), Gsm("SIM", "端口 port"), Gsm("SIM", "eight bit"),
        Gsm("SIM", "第一部分 second part, third"), Gsm("DEV", "空的头 empty header")};
    for (const char* mode : {"sread", "read"}) {
        const Json::Value document = RunMode(fleet, mode);
        ASSERT_EQ(2u, document["ports"].size()) << mode;
        for (int usb = 0; usb < 2; ++usb) {
            EXPECT_EQ(expected, Messages(document["ports"][usb])) << mode << ", type " << fleet[usb].Config().type;
        }
    }
}

TEST(SmsMode, PartsStoredWithoutTheHeaderIndicatorComeBackAsOneMessage)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, GsmWithPartsLackingTheIndicator(PHONE_TYPE_KL48_FT_ON)));
    ASSERT_TRUE(fleet.Add(1, GsmWithPartsLackingTheIndicator(PHONE_TYPE_K7040_NC5)));

    const std::vector<std::string> expected = {Gsm("SIM", "单条 single"),
                                               Gsm("SIM", "第一部分 first, 第二部分 second")};
    for (const char* mode : {"sread", "read"}) {
        const Json::Value document = RunMode(fleet, mode);
        ASSERT_EQ(2u, document["ports"].size()) << mode;
        for (int usb = 0; usb < 2; ++usb) {
            EXPECT_EQ(expected, Messages(document["ports"][usb])) << mode << ", type " << fleet[usb].Config().type;
        }
    }
}

TEST(SmsMode, ReadJoinsLongMessagesAndListsSimBeforeDeviceForEveryReadPath)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, GsmWithLongMessage(PHONE_TYPE_KL48_FT_ON)));
    ASSERT_TRUE(fleet.Add(1, GsmWithLongMessage(PHONE_TYPE_K7040_NC5)));
    ASSERT_TRUE(fleet.Add(2, CdmaWith({Cdma("SM", "13912345678", "CDMA 短信"), Cdma("ME", "10086", "from device"),
                                        Cdma("SM", "13900000000", "second SIM")})));

    std::string output;
    // Upper case reaches the mode lower-cased, in both words.
    const Json::Value document = RunMode(fleet, "READ", &output, "SMS");
    EXPECT_GT(std::count(output.begin(), output.end(), '\n'), 10) << "styled over several lines";
    EXPECT_EQ(1, document["check"].asInt());
    EXPECT_EQ("read", document["type"].asString());
    EXPECT_TRUE(document["seconds"].isIntegral());
    ASSERT_EQ(3, document["portcount"].asInt());
    ASSERT_EQ(3u, document["ports"].size());

    const std::vector<std::string> gsm = {Gsm("SIM", "SIM 你好"), Gsm("SIM", "Hello world, 再见"),
                                          Gsm("DEV", "device message")};
    for (int usb = 0; usb < 2; ++usb) {
        const Json::Value& port = document["ports"][usb];
        EXPECT_EQ("ttyUSB" + std::to_string(usb), port["name"].asString());
        EXPECT_EQ(3, port["msgcount"].asInt());
        EXPECT_EQ(gsm, Messages(port)) << "type " << fleet[usb].Config().type;
        EXPECT_FALSE(port.isMember("clear"));
    }
    const Json::Value& cdma = document["ports"][2];
    EXPECT_EQ("ttyUSB2", cdma["name"].asString());
    EXPECT_EQ(3, cdma["msgcount"].asInt());
    EXPECT_EQ((std::vector<std::string>{CdmaShown("SIM", "13912345678", "CDMA 短信"),
                                        CdmaShown("SIM", "13900000000", "second SIM"),
                                        CdmaShown("DEV", "10086", "from device")}),
              Messages(cdma));
}

// A CDMA text is raw bytes between its header line and terminator: "OK", line ends and the 0x0A
// byte of a UCS-2 character (U+4E0A) inside it must neither end the read early nor spoil the text.
TEST(SmsMode, CdmaTextsHoldingOkAndLineBytesComeBackWhole)
{
    simmodem::CdmaRecord raw = Cdma("SM", "13912345678", "OK\r\nfine\r\nOK");
    raw.format = 1;
    const simmodem::CdmaRecord ucs2 = Cdma("SM", "13900000000", "上海 OK 上");
    ModemConfig config = CdmaWith({raw, ucs2});
    // Pieces of a few bytes, so an early "OK" arrives well before the end of the answer.
    config.faults.push_back(simmodem::Fault::Split("AT^HCMGR", 3, 10));
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, config));

    const Json::Value document = RunMode(fleet, "sread");
    ASSERT_EQ(1, document["portcount"].asInt());
    EXPECT_EQ((std::vector<std::string>{CdmaShown("SIM", "13912345678", "OK\r\nfine\r\nOK"),
                                        CdmaShown("SIM", "13900000000", "上海 OK 上")}),
              Messages(document["ports"][0]));
}

TEST(SmsMode, SreadPrintsOneLineAndTakesOnlyFullyIdentifiedModems)
{
    SimFleet fleet;
    ModemConfig full = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 2);
    full.pdus.push_back(Stored("ME", 0, Deliver(SENDER, "device message")));
    ASSERT_TRUE(fleet.Add(0, full));
    ASSERT_TRUE(fleet.Add(1, PHONE_TYPE_KL48_FT_ON));
    ModemConfig noSim = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 1);
    noSim.sim = false;
    ASSERT_TRUE(fleet.Add(2, noSim));
    ModemConfig noSerial = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 1);
    noSerial.serial = "";
    ASSERT_TRUE(fleet.Add(3, noSerial));
    ModemConfig noSignal = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 1);
    noSignal.faults = {Fault::Replace("AT+CSQ", "\r\nERROR\r\n")};
    ASSERT_TRUE(fleet.Add(4, noSignal));

    std::string output;
    const Json::Value document = RunMode(fleet, "sread", &output);
    EXPECT_EQ(output.size() - 2, output.find('\n')) << "one line, then the empty line:\n" << output;
    EXPECT_EQ("sread", document["type"].asString());
    ASSERT_EQ(2, document["portcount"].asInt());
    ASSERT_EQ(2u, document["ports"].size());

    const Json::Value& withMessages = document["ports"][0];
    EXPECT_EQ("ttyUSB0", withMessages["name"].asString());
    EXPECT_EQ(3, withMessages["msgcount"].asInt());
    EXPECT_EQ((std::vector<std::string>{Gsm("SIM", "SIM 0"), Gsm("SIM", "SIM 1"), Gsm("DEV", "device message")}),
              Messages(withMessages));

    const Json::Value& empty = document["ports"][1];
    EXPECT_EQ("ttyUSB1", empty["name"].asString());
    EXPECT_EQ(0, empty["msgcount"].asInt());
    EXPECT_FALSE(empty.isMember("msgs"));

    for (int usb = 2; usb <= 4; ++usb) {
        EXPECT_FALSE(Heard(fleet, usb, "AT+CMGL")) << "ttyUSB" << usb << " is not fully identified";
    }
}

TEST(SmsMode, UnknownWordGivesCheckZeroWithoutScan)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, WithSimMessages(PHONE_TYPE_KL48_FT_ON, 1)));

    std::string output;
    const Json::Value document = RunMode(fleet, "readall", &output);
    EXPECT_GT(std::count(output.begin(), output.end(), '\n'), 3) << "styled";
    EXPECT_EQ(0, document["check"].asInt());
    EXPECT_EQ("readall", document["type"].asString());
    EXPECT_TRUE(document["seconds"].isIntegral());
    EXPECT_EQ((std::vector<std::string>{"check", "seconds", "type"}), document.getMemberNames());
    EXPECT_TRUE(fleet[0].Heard().empty());
}

TEST(SmsMode, SclearEmptiesBothStoragesAndReportsEachPort)
{
    SimFleet fleet;
    ModemConfig withDevice = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 2);
    withDevice.pdus.push_back(Stored("ME", 0, Deliver(SENDER, "DEV 0")));
    ASSERT_TRUE(fleet.Add(0, withDevice));
    ASSERT_TRUE(fleet.Add(1, WithSimMessages(PHONE_TYPE_K7040_NC5, 1)));

    std::string output;
    const Json::Value cleared = RunMode(fleet, "sclear", &output);
    EXPECT_EQ(output.size() - 2, output.find('\n')) << output;
    EXPECT_EQ(1, cleared["check"].asInt());
    ASSERT_EQ(2, cleared["portcount"].asInt());
    for (int usb = 0; usb < 2; ++usb) {
        const Json::Value& port = cleared["ports"][usb];
        EXPECT_EQ((std::vector<std::string>{"clear", "name"}), port.getMemberNames());
        EXPECT_EQ("ttyUSB" + std::to_string(usb), port["name"].asString());
        EXPECT_TRUE(port["clear"].asBool());
        EXPECT_TRUE(Heard(fleet, usb, "AT+CMGD=0,4"));
        EXPECT_FALSE(Heard(fleet, usb, "AT+CMGL")) << "nothing is read";
    }

    const Json::Value after = RunMode(fleet, "sread");
    ASSERT_EQ(2u, after["ports"].size());
    EXPECT_EQ(0, after["ports"][0]["msgcount"].asInt());
    EXPECT_EQ(0, after["ports"][1]["msgcount"].asInt());
}

TEST(SmsMode, ReadclearDeletesOnlyWhatWasReportedAndKeepsInterruptedReads)
{
    SimFleet fleet;
    ModemConfig whole = WithSimMessages(PHONE_TYPE_KL48_FT_ON, 2);
    whole.pdus.push_back(Stored("ME", 0, Deliver(SENDER, "DEV 0")));
    ASSERT_TRUE(fleet.Add(0, whole));
    // Each of these loses one message of the storage that the delete would empty.
    ModemConfig silentRead = WithSimMessages(PHONE_TYPE_K7040_NC5, 3);
    silentRead.faults = {Fault::Silence("AT+CMGR=1", 1)};
    ASSERT_TRUE(fleet.Add(1, silentRead));
    ModemConfig silentCdma =
        CdmaWith({Cdma("SM", "13900000001", "one"), Cdma("SM", "13900000002", "two"), Cdma("SM", "13900000003", "three")});
    silentCdma.faults = {Fault::Silence("AT^HCMGR=1", 1)};
    ASSERT_TRUE(fleet.Add(2, silentCdma));
    ModemConfig hangsUp = CdmaWith({Cdma("ME", "13900000001", "kept"), Cdma("ME", "13900000002", "lost")});
    hangsUp.faults = {Fault::HangUp("AT^HCMGR=1", 5)};
    ASSERT_TRUE(fleet.Add(3, hangsUp));

    const Json::Value document = RunMode(fleet, "readclear");
    EXPECT_EQ("readclear", document["type"].asString());
    ASSERT_EQ(4u, document["ports"].size());

    const Json::Value& wholeRead = document["ports"][0];
    EXPECT_EQ(3, wholeRead["msgcount"].asInt());
    EXPECT_TRUE(wholeRead["clear"].asBool());
    const std::vector<std::string> heard = fleet[0].Heard();
    ASSERT_GE(heard.size(), 4u);
    // Each storage is selected and emptied after the read, the device storage too.
    EXPECT_EQ((std::vector<std::string>{"AT+CPMS=\"ME\"\r\n", "AT+CMGD=0,4\r\n", "AT+CPMS=\"SM\"\r\n",
                                        "AT+CMGD=0,4\r\n"}),
              std::vector<std::string>(heard.end() - 4, heard.end()));

    const Json::Value& gsm = document["ports"][1];
    EXPECT_EQ((std::vector<std::string>{Gsm("SIM", "SIM 0"), Gsm("SIM", "SIM 2")}), Messages(gsm));
    EXPECT_FALSE(gsm["clear"].asBool());
    const Json::Value& cdma = document["ports"][2];
    EXPECT_EQ((std::vector<std::string>{CdmaShown("SIM", "13900000001", "one"), CdmaShown("SIM", "13900000003", "three")}),
              Messages(cdma));
    EXPECT_FALSE(cdma["clear"].asBool());
    const Json::Value& hungUp = document["ports"][3];
    EXPECT_EQ("ttyUSB3", hungUp["name"].asString());
    EXPECT_EQ((std::vector<std::string>{CdmaShown("DEV", "13900000001", "kept")}), Messages(hungUp));
    EXPECT_FALSE(hungUp["clear"].asBool());
    for (int usb = 1; usb <= 3; ++usb) {
        EXPECT_FALSE(Heard(fleet, usb, "AT+CMGD=0,4")) << "ttyUSB" << usb;
    }

    // Nothing unreported was lost: the interrupted storages still hold every message.
    const Json::Value again = RunMode(fleet, "sread");
    ASSERT_EQ(3u, again["ports"].size()) << "the modem that hung up is gone";
    EXPECT_EQ(0, again["ports"][0]["msgcount"].asInt());
    EXPECT_EQ(3, again["ports"][1]["msgcount"].asInt());
    EXPECT_EQ(3, again["ports"][2]["msgcount"].asInt());
}

TEST(SmsMode, TextsThatAreNotUtf8ComeOutWithReplacementCharacters)
{
    SimFleet fleet;
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    // 8-bit data shown as it is: a cut three-byte sequence, then a byte that starts none.
    config.pdus = {Stored("SM", 0, Deliver(SENDER, std::string("A\xE4\xB8x\xFF" "B 中"), Part(), false))};
    ASSERT_TRUE(fleet.Add(0, config));

    const Json::Value document = RunMode(fleet, "sread");
    ASSERT_EQ(1u, document["ports"].size());
    EXPECT_EQ((std::vector<std::string>{Gsm("SIM", "A\xEF\xBF\xBDx\xEF\xBF\xBD" "B 中")}), Messages(document["ports"][0]));
}
