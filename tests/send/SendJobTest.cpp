// The send job against simulated modems on pseudo-terminals: what goes out on the wire, retries,
// the ports that must not be touched, and modems failing in the middle of a send.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "SendFixture.h"

using sendtest::Bodies;
using sendtest::CountHeard;
using sendtest::DecodeMessage;
using sendtest::RecordOf;
using sendtest::StartModem;
using simmodem::Fault;
using simmodem::Modem;
using simmodem::ModemConfig;

namespace {

std::vector<SendSmsResult_t> RunJob(const std::vector<ComPortBaseInfo_t>& ports, const std::vector<std::string>& numbers,
                                    const std::string& text)
{
    CCheckManager manager;
    manager.plainTextMode = false;
    manager.HandleSendPduSmsProcess(ports, numbers, text);
    return manager.sendResults;
}

ModemConfig WithFault(const Fault& fault, PHONE_TYPE_t type = PHONE_TYPE_KL48_FT_ON)
{
    ModemConfig config = ModemConfig::ForType(type);
    config.faults.push_back(fault);
    return config;
}

} // namespace

TEST(SendJob, EveryNumberThroughEveryPortInPortMajorOrder)
{
    std::unique_ptr<Modem> first = StartModem(PHONE_TYPE_KL48_FT_ON);
    std::unique_ptr<Modem> second = StartModem(PHONE_TYPE_K3350B_FT_ON);
    ASSERT_TRUE(first && second);
    // 10086 is a service number by name, 12345 by its length alone.
    const std::vector<std::string> numbers = {"13912345678", "+8613912345679", "10086", "12345"};
    const std::size_t count = numbers.size();
    const std::vector<SendSmsResult_t> results = RunJob({RecordOf(*first), RecordOf(*second)}, numbers, "hello");

    ASSERT_EQ(2 * count, results.size());
    const Modem* modems[] = {first.get(), second.get()};
    for (std::size_t p = 0; p < 2; ++p) {
        const std::vector<std::string> bodies = Bodies(*modems[p]);
        ASSERT_EQ(count, bodies.size()) << "port " << p;
        for (std::size_t n = 0; n < count; ++n) {
            const SendSmsResult_t& result = results[count * p + n];
            EXPECT_EQ(modems[p]->SlavePath(), result.port);
            EXPECT_EQ(numbers[n], result.number);
            EXPECT_EQ(0, result.code) << result.message;
            EXPECT_EQ(19u, result.time.size()) << result.time;

            sendtest::Delivered message = DecodeMessage({bodies[n]});
            ASSERT_TRUE(message.ok) << message.error;
            EXPECT_EQ(numbers[n], message.number);
            // Service numbers of 5 characters get the bare text, all others the send time too.
            EXPECT_EQ(numbers[n].size() == 5 ? "hello" : "hello " + result.time, message.text);
        }
    }
}

TEST(SendJob, TextsArriveAsSentInAsManyPartsAsTheyNeed)
{
    struct Case {
        std::string text;
        int parts;
    };
    const Case cases[] = {
        {"two  blanks and a tab\t.", 1},
        {"say \"hi\" and 'bye'; 100% \\ back", 1},
        {"北京短信 欢迎使用", 1},
        {"emoji 😀 and 🎉!", 1},
        {std::string(170, 'x'), 3},                               // 190 characters with the stamp
        {[] { std::string t; for (int i = 0; i < 60; ++i) t += "短"; return t; }(), 2}, // 80 with it
    };
    for (const Case& c : cases) {
        std::unique_ptr<Modem> modem = StartModem();
        ASSERT_TRUE(modem);
        const std::vector<SendSmsResult_t> results = RunJob({RecordOf(*modem)}, {"13812345678"}, c.text);
        ASSERT_EQ(1u, results.size());
        EXPECT_EQ(0, results[0].code) << results[0].message;
        sendtest::Delivered message = DecodeMessage(Bodies(*modem));
        ASSERT_TRUE(message.ok) << c.text << ": " << message.error;
        EXPECT_EQ(c.parts, message.parts) << c.text;
        EXPECT_EQ("13812345678", message.number);
        EXPECT_EQ(c.text + " " + results[0].time, message.text);
    }
}

TEST(SendJob, RefusedBodyIsRepeatedOnlyForErrorNumbers500To600)
{
    const struct {
        int error;
        int attempts;
    } cases[] = {{499, 1}, {500, 3}, {555, 3}, {600, 3}, {601, 1}, {300, 1}};
    for (const auto& c : cases) {
        std::unique_ptr<Modem> modem = StartModem(WithFault(Fault::BodyError(c.error)));
        ASSERT_TRUE(modem);
        const std::vector<SendSmsResult_t> results = RunJob({RecordOf(*modem)}, {"13812345678"}, "hi");
        ASSERT_EQ(1u, results.size());
        EXPECT_EQ(1, results[0].code);
        EXPECT_EQ("+CMS ERROR: " + std::to_string(c.error), results[0].message);
        EXPECT_EQ(c.attempts, static_cast<int>(Bodies(*modem).size())) << "error " << c.error;
        EXPECT_EQ(c.attempts, CountHeard(*modem, "AT+CSCA?")) << "every attempt starts from the centre query";
    }
}

TEST(SendJob, BodyRefusedOnceGoesThroughOnTheRepeat)
{
    std::unique_ptr<Modem> modem = StartModem(WithFault(Fault::BodyError(512, 1)));
    ASSERT_TRUE(modem);
    const std::vector<SendSmsResult_t> results = RunJob({RecordOf(*modem)}, {"13812345678"}, "hi");
    ASSERT_EQ(1u, results.size());
    EXPECT_EQ(0, results[0].code);
    EXPECT_EQ(2u, Bodies(*modem).size());
    EXPECT_EQ(1, CountHeard(*modem, "AT+CMEE=1")) << "start-up commands go once per number";
}

TEST(SendJob, PortsWithoutSimCardOrDriverGetNoCommand)
{
    ModemConfig noSimConfig = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    noSimConfig.sim = false;
    std::unique_ptr<Modem> noSim = StartModem(noSimConfig);
    std::unique_ptr<Modem> noDriver = StartModem();
    ASSERT_TRUE(noSim && noDriver);
    ComPortBaseInfo_t undriven = RecordOf(*noDriver);
    undriven.type = PHONE_TYPE_BASE; // complete as a scan leaves it, but no driver recognised the modem
    ComPortBaseInfo_t unlisted;       // a typed port the scan did not list
    unlisted.port = "/dev/ttyUSB9";
    unlisted.baud = 115200;
    unlisted.knownPort = false;

    const std::vector<SendSmsResult_t> results =
        RunJob({RecordOf(*noSim), undriven, unlisted}, {"13812345678", "13812345679"}, "hi");

    ASSERT_EQ(6u, results.size());
    for (int n = 0; n < 2; ++n) {
        EXPECT_EQ(4, results[n].code);
        EXPECT_EQ("", results[n].message) << "the console supplies the reason of a missing SIM card";
        EXPECT_EQ(1, results[2 + n].code) << "nothing was sent, however complete the record";
        EXPECT_EQ("设备不AT", results[2 + n].message);
        EXPECT_EQ(4, results[4 + n].code);
    }
    EXPECT_TRUE(noSim->Transcript().empty());
    EXPECT_TRUE(noDriver->Transcript().empty());
}

TEST(SendJob, ErrorCodeOfAPortWithoutDriver)
{
    ComPortBaseInfo_t complete;
    complete.port = "/dev/ttyUSB3";
    complete.atOk = true;
    complete.number = "89860012345678901234";
    complete.signal = " 23,99";
    complete.serial = "867584030000001";
    struct Case {
        const char* what;
        void (*spoil)(ComPortBaseInfo_t&);
        int code;
    };
    const Case cases[] = {
        {"complete", [](ComPortBaseInfo_t&) {}, 1},
        {"unlisted", [](ComPortBaseInfo_t& r) { r.knownPort = false; r.atOk = false; r.number.clear(); }, 6},
        {"no AT", [](ComPortBaseInfo_t& r) { r.atOk = false; r.serial.clear(); }, 2},
        {"no serial", [](ComPortBaseInfo_t& r) { r.serial.clear(); r.number.clear(); }, 7},
        {"no SIM", [](ComPortBaseInfo_t& r) { r.number.clear(); r.signal.clear(); }, 4},
        {"no signal", [](ComPortBaseInfo_t& r) { r.signal.clear(); }, 5},
    };
    CCheckManager manager;
    for (const Case& c : cases) {
        ComPortBaseInfo_t record = complete;
        c.spoil(record);
        EXPECT_EQ(c.code, manager.GetSmsErrorCode(record)) << c.what;
    }
}

TEST(SendJob, TextThatConvertsToNoCharacterIsNotSent)
{
    std::unique_ptr<Modem> modem = StartModem();
    ASSERT_TRUE(modem);
    const std::vector<SendSmsResult_t> results = RunJob({RecordOf(*modem)}, {"13812345678"}, "\xff\xfe\xfd");
    ASSERT_EQ(1u, results.size());
    EXPECT_EQ(1, results[0].code);
    EXPECT_EQ(0, CountHeard(*modem, "AT+CMGS"));
    EXPECT_TRUE(Bodies(*modem).empty());
}

TEST(SendJob, ModemSilentOnABodyFailsThatNumberAndTheJobGoesOn)
{
    std::unique_ptr<Modem> silent = StartModem(WithFault(Fault::Silence(">", 1)));
    std::unique_ptr<Modem> other = StartModem();
    ASSERT_TRUE(silent && other);
    const std::vector<SendSmsResult_t> results =
        RunJob({RecordOf(*silent), RecordOf(*other)}, {"13812345678", "13812345679"}, "hi");
    ASSERT_EQ(4u, results.size());
    EXPECT_EQ(1, results[0].code);
    EXPECT_EQ("设备不AT", results[0].message);
    EXPECT_EQ(0, results[1].code) << results[1].message;
    EXPECT_EQ(0, results[2].code) << results[2].message;
    EXPECT_EQ(0, results[3].code) << results[3].message;
    EXPECT_EQ(2u, Bodies(*silent).size()) << "an unanswered body is not repeated";
}

TEST(SendJob, ModemHangingUpMidSendFailsItsNumbersAndTheJobGoesOn)
{
    // The line drops after the first part of a long message.
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    config.faults.push_back(Fault::HangUp(">", 3));
    std::unique_ptr<Modem> dropping = StartModem(config);
    std::unique_ptr<Modem> other = StartModem();
    ASSERT_TRUE(dropping && other);
    const std::vector<SendSmsResult_t> results =
        RunJob({RecordOf(*dropping), RecordOf(*other)}, {"13812345678", "13812345679"}, std::string(150, 'y'));
    ASSERT_EQ(4u, results.size());
    EXPECT_TRUE(dropping->HungUp());
    EXPECT_EQ(1, results[0].code);
    EXPECT_EQ(1, results[1].code);
    EXPECT_EQ(0, results[2].code) << results[2].message;
    EXPECT_EQ(0, results[3].code) << results[3].message;
    EXPECT_EQ(1u, Bodies(*dropping).size());
    EXPECT_EQ(3u + 3u, Bodies(*other).size());
}
