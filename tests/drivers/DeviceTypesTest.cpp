// The device-type drivers: identification in priority order, the factory, and what types 4 and 8
// do differently.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CreatePhone.h"

namespace {

const std::vector<int> kAllTypes = {2, 3, 4, 5, 6, 7, 8};

// The device type the scan would record for an ATI answer, 1 when no driver accepts it.
int IdentifyType(const std::string& ati)
{
    for (const auto& phone : CreateAllPhonesInPriorityOrder()) {
        if (phone->IsATI_RspMatch(ati)) {
            return phone->GetPhoneType();
        }
    }
    return PHONE_TYPE_BASE;
}

TEST(Factory, MakesEveryDeviceTypeAndNothingElse)
{
    for (int type : {0, 1, 9, -1, 1000}) {
        EXPECT_EQ(GetPhoneByType(type), nullptr) << type;
    }
    for (int type : kAllTypes) {
        std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(type);
        ASSERT_NE(phone, nullptr) << type;
        EXPECT_EQ(phone->GetPhoneType(), type);
    }
}

TEST(Factory, PriorityOrderIsFixed)
{
    std::vector<int> types;
    for (const auto& phone : CreateAllPhonesInPriorityOrder()) {
        types.push_back(phone->GetPhoneType());
    }
    EXPECT_EQ(types, (std::vector<int>{3, 2, 4, 5, 6, 7, 8}));
}

TEST(Identification, EveryReferenceAnswerIsItsOwnType)
{
    for (int type : kAllTypes) {
        std::string reference = GetPhoneByType(type)->Get_ATI_Rsp();
        ASSERT_FALSE(reference.empty()) << type;
        EXPECT_EQ(IdentifyType(reference), type) << reference;
        // The ATI judge stores the answer and accepts it.
        std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(type);
        EXPECT_EQ(phone->OnGetAtiCmdRsp(reference), 0);
        EXPECT_EQ(phone->GetAtiRspString(), reference);
    }
}

TEST(Identification, TestTextsAreCaseSensitiveAndTheEarliestWins)
{
    struct Case {
        std::string ati;
        int type;
    };
    const std::vector<Case> cases = {
        {"\r\nQuectel_m35\r\n\r\nOK\r\n", PHONE_TYPE_BASE},
        {"\r\nModel: KH900 with M35 inside\r\nOK\r\n", PHONE_TYPE_KL48_FT_ON},
        {"\r\nModel: KC640 KH900\r\nOK\r\n", PHONE_TYPE_KC640_ON},
        {"\r\nModel: CLM920_NC5\r\n", PHONE_TYPE_BASE},
        {"\r\nModel: CLM920_NC5\r\nOK\r\n", PHONE_TYPE_K7040_NC5},
        {"\r\nModel: CLM920_NC5 ME909s-821\r\n", PHONE_TYPE_K7040_ME},
        {"WAVECOM", PHONE_TYPE_K3350B_FT_ON},
        {"", PHONE_TYPE_BASE},
        {"\r\nOK\r\n", PHONE_TYPE_BASE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IdentifyType(c.ati), c.type) << c.ati;
    }
}

TEST(DeviceTypes, StartUpCommands)
{
    const std::vector<std::string> base = {"AT+CMEE=1\r\n", "AT+CPMS=\"SM\"\r\n", "ATE0\r\n"};
    for (int type : {2, 3, 5, 6}) {
        EXPECT_EQ(GetPhoneByType(type)->GetInitAtCmd(), base) << type;
    }
    for (int type : {4, 8}) {
        std::vector<std::string> expected = base;
        expected.push_back("AT^CURC=0\r\n");
        EXPECT_EQ(GetPhoneByType(type)->GetInitAtCmd(), expected) << type;
    }
}

TEST(DeviceTypes, CardNumberCommandAndCallsOfTypes4And8)
{
    for (int type : {4, 8}) {
        auto phone = GetPhoneByType(type);
        EXPECT_EQ(phone->GetIMSI_Cmd(), "AT^ICCID?\r\n");
        EXPECT_EQ(phone->GetCallCmd("10086"), "ATD10086;\r\n");
        EXPECT_EQ(phone->GetHungUpCmd(), "at+chup;\r\n");
        EXPECT_TRUE(phone->OnCallCmdRsp("x"));
        EXPECT_FALSE(phone->OnHungUpCmdRsp(""));
    }
    EXPECT_EQ(GetPhoneByType(3)->GetIMSI_Cmd(), "AT+CCID\r\n");
}

struct IccidCase {
    std::string answer;
    int verdict;
    std::string number;
};

TEST(DeviceTypes, IccidJudgeOfTypes4And8)
{
    const std::string digits = "89860012345678901234";
    const std::vector<IccidCase> cases = {
        {"\r\n^ICCID: " + digits + "\r\n\r\nOK\r\n", 0, digits},
        {"\r\n^ICCID: " + digits + "   \r\n\r\nOK\r\n", 0, digits},
        {"\r\n^ICCID: " + digits + "\r\n", 0, digits},
        {"\r\nERROR\r\n", 1, "old"},
        {"\r\n+CME ERROR: 13\r\n", 1, "old"},
        {"\r\nOK\r\n", 1, "old"},
        {"", 2, "old"},
        // Split across reads: the number line has not ended yet, so it is waited for.
        {"\r\n^ICCID: " + digits, 2, "old"},
        {"\r\n^IC", 2, "old"},
    };
    for (int type : {4, 8}) {
        for (const IccidCase& c : cases) {
            auto phone = GetPhoneByType(type);
            phone->OnGetIMSI_CmdRsp("\r\n^ICCID: old\r\n");
            EXPECT_EQ(phone->OnGetIMSI_CmdRsp(c.answer), c.verdict) << c.answer;
            EXPECT_EQ(phone->GetSmsCardNumber(), c.number) << c.answer;
            EXPECT_EQ(phone->GetErrorMessage(), "") << c.answer;
        }
    }
}

TEST(DeviceTypes, IccidSplitAcrossReadsCompletes)
{
    auto phone = GetPhoneByType(PHONE_TYPE_K7040_ME);
    const std::string answer = "\r\n^ICCID: 89860012345678901234\r\n\r\nOK\r\n";
    int verdict = 2;
    for (size_t n = 1; n <= answer.size() && verdict == 2; ++n) {
        verdict = phone->OnGetIMSI_CmdRsp(answer.substr(0, n));
    }
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(phone->GetSmsCardNumber(), "89860012345678901234");
}

TEST(DeviceTypes, ContextCommandNamesTheType)
{
    EXPECT_EQ(GetPhoneByType(3)->GetSendSMS_ContextCmd("hi"), std::string("hi KL48-FT-ON\r\x1A"));
    EXPECT_EQ(GetPhoneByType(8)->GetSendSMS_ContextCmd("hi"), std::string("hi TYPE_UNKNOWN\r\x1A"));
}

} // namespace
