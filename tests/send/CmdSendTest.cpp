// The command-line send end to end: the Zavrix binary in a private /dev with simulated modems as
// /dev/ttyUSB<N>, its scan, its sends and its JSON document.
#include <gtest/gtest.h>
#include <json/json.h>

#include <string>
#include <vector>

#include "SendFixture.h"
#include "SimFleet.h"

using sendtest::Bodies;
using sendtest::CountHeard;
using sendtest::DecodeMessage;
using simmodem::Fault;
using simmodem::ModemConfig;
using simmodem::RunResult;

namespace {

// The document that ends the output, after the scan's diagnostic lines; null when there is none.
Json::Value DocumentOf(const RunResult& run, std::string* text = nullptr)
{
    const std::size_t start = run.out.compare(0, 2, "{\n") == 0 ? 0 : run.out.find("\n{\n");
    if (start == std::string::npos) {
        return Json::Value();
    }
    const std::string document = run.out.substr(start == 0 ? 0 : start + 1);
    if (text != nullptr) {
        *text = document;
    }
    Json::Value root;
    return Json::Reader().parse(document, root) ? root : Json::Value();
}

std::string StyledErrorDocument(int code, const std::string& message)
{
    return "{\n\t\"code\" : " + std::to_string(code) + ",\n\t\"message\" : \"" + message +
           "\",\n\t\"result\" : []\n}\n\n";
}

ModemConfig Config(PHONE_TYPE_t type)
{
    return ModemConfig::ForType(type);
}

} // namespace

TEST(CmdSend, MixedFleetGivesOneElementPerPortAndNumber)
{
    SimFleet fleet;
    ModemConfig noSim = Config(PHONE_TYPE_KL48_FT_ON);
    noSim.sim = false;
    ModemConfig refusing = Config(PHONE_TYPE_K3350B_FT_ON);
    refusing.faults.push_back(Fault::BodyError(300));
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    ASSERT_TRUE(fleet.Add(1, noSim));
    ASSERT_TRUE(fleet.Add(2, refusing));

    const RunResult run = fleet.RunZavrix({"USB0,USB1,USB9,USB2", "13812345678;10086", "\"北京 短信\""});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.err);
    std::string text;
    const Json::Value document = DocumentOf(run, &text);
    ASSERT_TRUE(document.isObject()) << run.out;
    EXPECT_EQ("}\n\n", text.substr(text.size() - 3));
    EXPECT_EQ(0, document["code"].asInt());
    EXPECT_EQ("param is ok", document["message"].asString());

    const struct {
        const char* com;
        const char* number;
        int code;
        const char* message;
    } expected[] = {
        {"ttyUSB0", "13812345678", 0, "Succeed"},
        {"ttyUSB0", "10086", 0, "Succeed"},
        {"ttyUSB1", "13812345678", 4, "No SIM CARD In Device"},
        {"ttyUSB1", "10086", 4, "No SIM CARD In Device"},
        {"ttyUSB9", "13812345678", 4, "No SIM CARD In Device"},
        {"ttyUSB9", "10086", 4, "No SIM CARD In Device"},
        {"ttyUSB2", "13812345678", 1, "+CMS ERROR: 300"},
        {"ttyUSB2", "10086", 1, "+CMS ERROR: 300"},
    };
    const Json::Value& results = document["result"];
    ASSERT_EQ(8u, results.size()) << text;
    for (Json::ArrayIndex i = 0; i < results.size(); ++i) {
        EXPECT_EQ(expected[i].com, results[i]["com"].asString()) << i;
        EXPECT_EQ(expected[i].number, results[i]["number"].asString()) << i;
        EXPECT_EQ(expected[i].code, results[i]["code"].asInt()) << i;
        EXPECT_EQ(expected[i].message, results[i]["message"].asString()) << i;
        EXPECT_EQ(19u, results[i]["time"].asString().size()) << i;
    }

    const std::vector<std::string> sent = Bodies(fleet[0]);
    ASSERT_EQ(2u, sent.size());
    sendtest::Delivered first = DecodeMessage({sent[0]});
    sendtest::Delivered second = DecodeMessage({sent[1]});
    ASSERT_TRUE(first.ok && second.ok) << first.error << second.error;
    EXPECT_EQ("北京 短信 " + results[0]["time"].asString(), first.text);
    EXPECT_EQ("北京 短信", second.text);
    EXPECT_EQ(0, CountHeard(fleet[1], "AT+CMGS")) << "the modem without SIM card gets no send";
    EXPECT_EQ(0, CountHeard(fleet[1], "AT+CSCA"));
}

TEST(CmdSend, ErrorDocuments)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));

    // Wrong word counts: no scan at all.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"sms"}, {"USB0", "13812345678", "hi", "more"}, {"hello"}}) {
        const RunResult run = fleet.RunZavrix(args);
        EXPECT_EQ(0, run.exitCode);
        EXPECT_EQ(StyledErrorDocument(3, "param count error"), run.out) << args[0];
        EXPECT_EQ("", run.err);
    }
    EXPECT_TRUE(fleet[0].Transcript().empty());

    // An unusable number list, after a full scan; nothing is sent.
    for (const char* numbers : {"13812345678,1234", "", ";;", "1381234567a"}) {
        const RunResult run = fleet.RunZavrix({"USB0", numbers, "hi"});
        EXPECT_EQ(0, run.exitCode);
        const std::string tail = StyledErrorDocument(2, "phone number error");
        ASSERT_GE(run.out.size(), tail.size()) << numbers;
        EXPECT_EQ(tail, run.out.substr(run.out.size() - tail.size())) << numbers;
        EXPECT_EQ("", run.err);
    }
    EXPECT_GT(sendtest::CountHeard(fleet[0], "ATI"), 0) << "the scan ran";
    EXPECT_EQ(0, sendtest::CountHeard(fleet[0], "AT+CMGS"));

    // A port list that names no scanned port.
    const RunResult run = fleet.RunZavrix({"USB7,usb0", "13812345678", "hi"});
    const std::string tail = StyledErrorDocument(1, "com port error");
    ASSERT_GE(run.out.size(), tail.size());
    EXPECT_EQ(tail, run.out.substr(run.out.size() - tail.size()));
    EXPECT_EQ(0, sendtest::CountHeard(fleet[0], "AT+CMGS"));
}

TEST(CmdSend, WithoutPortListEveryFullyIdentifiedModemSends)
{
    SimFleet fleet;
    ModemConfig noSim = Config(PHONE_TYPE_KL48_FT_ON);
    noSim.sim = false;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    ASSERT_TRUE(fleet.Add(1, noSim));
    ASSERT_TRUE(fleet.Add(3, PHONE_TYPE_KG520_ON));

    const RunResult run = fleet.RunZavrix({"+8613812345678", std::string(150, 'z')});
    const Json::Value document = DocumentOf(run);
    ASSERT_TRUE(document.isObject()) << run.out;
    const Json::Value& results = document["result"];
    ASSERT_EQ(2u, results.size()) << run.out;
    EXPECT_EQ("ttyUSB0", results[0]["com"].asString());
    EXPECT_EQ("ttyUSB3", results[1]["com"].asString());
    for (int usb : {0, 3}) {
        sendtest::Delivered message = DecodeMessage(Bodies(fleet[usb]));
        ASSERT_TRUE(message.ok) << message.error;
        EXPECT_EQ(3, message.parts);
        EXPECT_EQ("+8613812345678", message.number);
        EXPECT_EQ(std::string(150, 'z') + " " + results[usb == 0 ? 0 : 1]["time"].asString(), message.text);
    }
    EXPECT_TRUE(Bodies(fleet[1]).empty());
}
