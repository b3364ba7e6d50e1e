// The send steps of the GSM drivers: one part or several, the destination number, the service
// centre, the length commands, and the judges of the prompt and of the final answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CreatePhone.h"

namespace {

class Driver : public CPhoneCardBase {
public:
    explicit Driver(const std::string& centre = "") { smsCenterNumber = centre; }
    using CPhoneCardBase::errorMessage;
};

std::string Repeat(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

TEST(SendSteps, LongOrNotByUcs2OctetsAndBytes)
{
    const std::string han = "\xE4\xB8\xAD"; // U+4E2D, three bytes, two UCS-2 octets
    struct Case {
        std::string text;
        bool isLong;
    };
    const std::vector<Case> cases = {
        {"", false},
        {Repeat("a", 70), false},
        {Repeat("a", 71), true},
        {Repeat(han, 46), false}, // 138 bytes, 92 octets
        {Repeat(han, 47), true},  // 141 bytes
    };
    Driver d;
    for (const Case& c : cases) {
        EXPECT_EQ(d.IsLongSms(c.text), c.isLong) << c.text.size() << " bytes";
        std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray("13912345678", c.text);
        ASSERT_FALSE(steps.empty());
        // A one-part PDU has first octet 11 (no header), a part of a long message 51.
        EXPECT_EQ(steps[0].content.substr(4, 2), c.isLong ? "51" : "11") << c.text.size() << " bytes";
    }
}

TEST(SendSteps, DestinationNumberForms)
{
    struct Case {
        std::string number;
        bool international;
        std::string encoded;
    };
    const std::vector<Case> cases = {
        {"008613912345678", true, "8613912345678"},
        {"00861391234567", false, "00861391234567"},
        {"8613912345678", true, "8613912345678"},
        {"13912345678", false, "13912345678"},
        {"+8613912345678", true, "+8613912345678"},
        {"+10086", true, "+10086"},
        {"+", false, "+"},
        {"00", false, "00"},
    };
    for (const Case& c : cases) {
        CountryCode_t code = CPhoneCardBase::JudgePhoneCountryCode(c.number);
        EXPECT_EQ(code.international, c.international) << c.number;
        EXPECT_EQ(CPhoneCardBase::ModifyPhoneCode(c.number, code.international), c.encoded) << c.number;
    }
    EXPECT_FALSE(CountryCode_t().international);
}

TEST(SendSteps, OnePartWorkedExample)
{
    Driver d;
    ASSERT_EQ(d.OnGetQuerySmsCenterCmdRsp("\r\n+CSCA: \"+8613812340000\",145\r\n\r\nOK\r\n"), 0);
    std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray("13912345678", "abc");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].command, "AT+CMGS=20\r");
    EXPECT_EQ(steps[0].content, "0891683118320400F011000B813119325476F80008AA06006100620063\x1A");
}

TEST(SendSteps, InternationalDestinationIsEncodedWithoutItsZeros)
{
    Driver d("8613812340000");
    std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendSmsModePDUCmd("008613912345678", "abc");
    ASSERT_EQ(steps.size(), 1u);
    // 13 digits, type 91, swapped semi-octets of 8613912345678.
    EXPECT_NE(steps[0].content.find("0D91683119325476F8"), std::string::npos) << steps[0].content;
}

TEST(SendSteps, ServiceCentreIsUsedOnlyWhenItIsAValidNumber)
{
    const std::string centreField = "0891683118320400F0";
    const std::string noCentre = "0191";
    struct Case {
        std::string centre;
        std::string field;
    };
    const std::vector<Case> cases = {
        {"+8613812340000", centreField},
        {"8613812340000", centreField},
        {"", noCentre},
        {"+", noCentre},
        {"+86138123400001234", noCentre}, // more digits than the field holds
        {"1234567890123456", noCentre},
        {"+86138abc", noCentre},
        {"\"+8613812340000\"", noCentre},
        {"+861381234000012", "099168311832040010F2"}, // 15 digits, the most that fits
    };
    for (const Case& c : cases) {
        Driver d(c.centre);
        std::vector<PDU_LONG_SMS_Base_t> one = d.GetSendSmsModePDUCmd("13912345678", "abc");
        std::vector<PDU_LONG_SMS_Base_t> parts = d.GetSendLongPduSmsCmd("13912345678", Repeat("a", 80));
        ASSERT_EQ(one.size(), 1u);
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(one[0].content.substr(0, c.field.size()), c.field) << c.centre;
        for (const PDU_LONG_SMS_Base_t& part : parts) {
            EXPECT_EQ(part.content.substr(0, c.field.size()), c.field) << c.centre;
        }
    }
}

TEST(SendSteps, EveryPartAnnouncesItsOwnTpduLength)
{
    for (const std::string centre : {"", "+8613812340000", "861381234000"}) {
        Driver d(centre);
        std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray("13912345678", Repeat("xy", 100)); // 400 octets
        ASSERT_EQ(steps.size(), 3u);
        for (const PDU_LONG_SMS_Base_t& step : steps) {
            ASSERT_EQ(step.content.back(), '\x1A');
            std::string hex = step.content.substr(0, step.content.size() - 1);
            int centreOctets = std::stoi(hex.substr(0, 2), nullptr, 16) + 1;
            int tpdu = static_cast<int>(hex.size() / 2) - centreOctets;
            EXPECT_EQ(step.command, "AT+CMGS=" + std::to_string(tpdu) + "\r") << centre;
        }
    }
}

TEST(SendSteps, EmptyTextIsOnePartWithoutUserData)
{
    Driver d("+8613812340000");
    std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray("13912345678", "");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].command, "AT+CMGS=14\r");
    EXPECT_EQ(steps[0].content, "0891683118320400F011000B813119325476F80008AA00\x1A");
}

struct JudgeCase {
    std::string answer;
    int verdict;
    std::string error;
    bool retry;
};

TEST(SendSteps, PromptJudge)
{
    const std::vector<JudgeCase> cases = {
        {"\r\n> ", 0, "old", false},
        {"\r\n+CMS ERROR: 500\r\n> ", 0, "old", false},
        {"", 2, "old", false},
        {"\r\n", 2, "old", false},
        {"\r\n+CMS ERROR: 304\r\n", 1, "+CMS ERROR: 304", false},
        {"\r\nERROR", 1, "ERROR", false},
    };
    for (const JudgeCase& c : cases) {
        Driver d;
        d.errorMessage = "old";
        EXPECT_EQ(d.OnSendPduSmsLenCmdRsp(c.answer), c.verdict) << c.answer;
        EXPECT_EQ(d.errorMessage, c.error) << c.answer;
    }
}

TEST(SendSteps, FinalAnswerJudgeAndRetryFlag)
{
    const std::vector<JudgeCase> cases = {
        {"\r\n+CMGS: 12\r\n\r\nOK\r\n", 0, "old", false},
        {"\r\nOK", 2, "old", false}, // the OK line has not ended yet
        {"", 2, "old", false},
        {"\r\n+CMS ERROR: 500\r\n", 1, "+CMS ERROR: 500", true},
        {"\r\n+CMS ERROR: 600\r\n", 1, "+CMS ERROR: 600", true},
        {"\r\n+CMS ERROR: 499\r\n", 1, "+CMS ERROR: 499", false},
        {"\r\n+CMS ERROR: 601\r\n", 1, "+CMS ERROR: 601", false},
        {"\r\n+CMS ERROR: 42 512\r\n", 1, "+CMS ERROR: 42 512", true},
        {"\r\nERROR\r\n", 1, "ERROR", false},
        {"\r\n+CMS ERROR: 99999999999999999999\r\n", 1, "+CMS ERROR: 99999999999999999999", false},
        {"\r\nERROR\r\n\r\nOK\r\n", 1, "ERROR", false},
    };
    for (const JudgeCase& c : cases) {
        Driver d;
        d.errorMessage = "old";
        EXPECT_EQ(d.OnSendPduSmsContextCmdRsp(c.answer), c.verdict) << c.answer;
        EXPECT_EQ(d.errorMessage, c.error) << c.answer;
        EXPECT_EQ(d.IsSendPduSmsRetry(), c.retry) << c.answer;
    }
    Driver d;
    EXPECT_EQ(d.OnSendPduSmsContextCmdRsp("\r\n+CMS ERROR: 512\r\n"), 1);
    EXPECT_TRUE(d.IsSendPduSmsRetry());
    EXPECT_EQ(d.OnSendPduSmsContextCmdRsp(""), 2);
    EXPECT_FALSE(d.IsSendPduSmsRetry());
}

} // namespace
