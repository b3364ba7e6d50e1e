// The base driver's command texts and answer judges.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "PhoneCardBase.h"

namespace {

// The base class is never used as a driver, but every judge of it is shared by the device types.
class BaseDriver : public CPhoneCardBase {
public:
    using CPhoneCardBase::errorMessage;
    using CPhoneCardBase::smsCardNumber;
    using CPhoneCardBase::smsCenterNumber;
};

struct VerdictCase {
    const char* name;
    std::string answer;
    int verdict;
    std::string kept; // the field the judge writes, after the call
};

void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.name; }

TEST(BaseCommands, TextsAreByteExact)
{
    BaseDriver d;
    const std::vector<std::pair<std::string, std::string>> texts = {
        {d.GetATCmd(), "AT\r\n"},
        {d.GetAtiCmd(), "ATI\r\n"},
        {d.Get_ATI_Rsp(), ""},
        {d.GetCCIDCmd(), "ATI+CCID\r\n"},
        {d.GetCallCmd("10086"), "ATD10086;\r\n"},
        {d.GetHungUpCmd(), "ATH\r\n"},
        {d.SetSmsModeTextCmd(), "at+cmgf=1\r\n"},
        {d.SetSmsPDUModeCmd(), "at+cmgf=0\r\n"},
        {d.GetSendSMS_PhoneCmd("10086"), "at+cmgs=\"10086\"\r\n"},
        {d.GetSendSMS_ContextCmd("hi"), std::string("hi TYPE_UNKNOWN\r\x1A")},
        {d.GetReceiveSmsCmd(), "at+cmgr=1\r\n"},
        {d.GetSetReceiveSmsStoreCmd(), "at+cpms=\"SM\"\r\n"},
        {d.GetQueryReceiveSmsStoreCmd(), "at + cpms?\r\n"},
        {d.GetIMSI_Cmd(), "AT+CCID\r\n"},
        {d.GetIMEI_Cmd(), "AT+CGSN\r\n"},
        {d.GetSignalStrengthCmd(), "at+csq\r\n"},
        {d.GetQuerySmsCenterCmd(), "AT+CSCA?\r\n"},
        {d.GetDelAllSmsCmd(), "AT+CMGD=0,4\r\n"},
        {d.GetRecvSmsCompatibleModeCmd(), "AT\r"},
        {d.GetReadAllSmsCmd(), "AT+CMGL=4\r\n"},
        {d.GetReadNextSmsCmd(), "AT\r\n"},
        {d.GetReadSmsOnMeCmd(), "AT+CPMS=\"ME\"\r\n"},
        {d.GetReadSmsOnSmCmd(), "AT+CPMS=\"SM\"\r\n"},
    };
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].first, texts[i].second) << "command " << i;
    }
    EXPECT_EQ(d.GetInitAtCmd(), (std::vector<std::string>{"AT+CMEE=1\r\n", "AT+CPMS=\"SM\"\r\n", "ATE0\r\n"}));
    EXPECT_EQ(d.GetPhoneType(), PHONE_TYPE_BASE);
    EXPECT_FALSE(d.NotFinished());
    EXPECT_FALSE(d.HasME());
}

class OkErrorJudge : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(OkErrorJudge, VerdictAndErrorText)
{
    const VerdictCase& c = GetParam();
    // Every judge built on the common rule must agree with it.
    const std::vector<std::function<int(BaseDriver&, const std::string&)>> judges = {
        [](BaseDriver& d, const std::string& a) { return d.OnOkErrorRsp(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnGetAtCmdRsp(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnSetSmsPduModeCmdRsp(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnDelAllSmsCmdRsp(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnInitAtCmdRsp(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnGetReadSmsOnMeCmd(a); },
        [](BaseDriver& d, const std::string& a) { return d.OnGetReadSmsOnSmCmd(a); },
    };
    for (size_t i = 0; i < judges.size(); ++i) {
        BaseDriver d;
        d.errorMessage = "old";
        EXPECT_EQ(judges[i](d, c.answer), c.verdict) << "judge " << i;
        EXPECT_EQ(d.errorMessage, c.kept) << "judge " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, OkErrorJudge, ::testing::Values(
    VerdictCase{"empty", "", 2, "old"},
    VerdictCase{"ok", "\r\nOK\r\n", 0, "old"},
    VerdictCase{"ok_without_line_end", "\r\nOK", 0, "old"},
    VerdictCase{"echo_then_ok", "AT+CMEE=1\r\r\nOK\r\n", 0, "old"},
    VerdictCase{"error", "\r\nERROR\r\n", 1, "ERROR"},
    VerdictCase{"error_first_wins", "\r\n+CME ERROR: 10\r\n\r\nOK\r\n", 1, "+CME ERROR: 10"},
    VerdictCase{"error_with_number", "\r\n+CMS ERROR: 321\r\n", 1, "+CMS ERROR: 321"},
    VerdictCase{"error_line_not_ended", "\r\nERROR", 2, "old"},
    VerdictCase{"unrelated_line", "\r\n+CPMS: 1,20\r\n", 2, "old"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BaseJudges, BoolJudgesFollowTheCommonRule)
{
    BaseDriver d;
    EXPECT_TRUE(d.OnCCIDCmdRsp("\r\nOK\r\n"));
    EXPECT_FALSE(d.OnCallCmdRsp("\r\nERROR\r\n"));
    EXPECT_FALSE(d.OnHungUpCmdRsp(""));
    EXPECT_TRUE(d.OnSetSmsModeTextCmdRsp("x\r\nOK\r\n"));
    EXPECT_TRUE(::OnSetSmsModeTextCmdRsp("\r\nOK\r\n"));
    EXPECT_FALSE(::OnSetSmsModeTextCmdRsp("\r\nOK\r\n\r\n"));
    EXPECT_FALSE(::OnSetSmsModeTextCmdRsp("OK\r\n"));
}

TEST(BaseJudges, AtiDecidesOnTheFirstAnswerAndKeepsIt)
{
    BaseDriver d;
    EXPECT_EQ(d.OnGetAtiCmdRsp("\r\nSomeModem\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetAtiRspString(), "\r\nSomeModem\r\nOK\r\n");
    EXPECT_EQ(d.OnGetAtiCmdRsp(""), 1);
    EXPECT_EQ(d.GetAtiRspString(), "");
    EXPECT_EQ(d.OnGetAtiCmdRsp("\r\nSomeModem\r\n"), 1);
}

class CardNumberJudge : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(CardNumberJudge, VerdictAndNumber)
{
    const VerdictCase& c = GetParam();
    BaseDriver d;
    d.smsCardNumber = "old";
    EXPECT_EQ(d.OnGetIMSI_CmdRsp(c.answer), c.verdict);
    EXPECT_EQ(d.GetSmsCardNumber(), c.kept);
    EXPECT_EQ(d.errorMessage, "");
}

INSTANTIATE_TEST_SUITE_P(Answers, CardNumberJudge, ::testing::Values(
    VerdictCase{"number", "\r\n+CCID: 89860012345678901234\r\n\r\nOK\r\n", 0, "89860012345678901234"},
    VerdictCase{"quoted", "\r\n+CCID: \"89860012345678901234\"\r\n\r\nOK\r\n", 0, "89860012345678901234"},
    VerdictCase{"empty", "", 2, "old"},
    VerdictCase{"no_ok_yet", "\r\n+CCID: 8986001234", 2, "old"},
    VerdictCase{"error_beside_number", "\r\n+CCID: 8986\r\n\r\nERROR\r\n", 1, "old"},
    VerdictCase{"ok_without_marker", "\r\nOK\r\n", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

class SerialNumberJudge : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(SerialNumberJudge, VerdictAndSerial)
{
    const VerdictCase& c = GetParam();
    BaseDriver d;
    EXPECT_EQ(d.OnGetIMEI_Cmd(c.answer), c.verdict);
    EXPECT_EQ(d.GetSerialNumber(), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Answers, SerialNumberJudge, ::testing::Values(
    VerdictCase{"no_echo", "\r\n866123456789012\r\n\r\nOK\r\n", 0, "866123456789012"},
    VerdictCase{"with_echo", "AT+CGSN\r\r\n866123456789012\r\n\r\nOK\r\n", 0, "866123456789012"},
    VerdictCase{"blanks_around", " 866123456789012 \r\n\r\nOK\r\n", 0, "866123456789012"},
    // Only line ends before the OK: no serial at all rather than a stray CR LF.
    VerdictCase{"bare_ok", "\r\nOK\r\n", 0, ""},
    VerdictCase{"echo_bare_ok", "AT+CGSN\r\r\nOK\r\n", 0, ""},
    VerdictCase{"incomplete", "\r\n866123456789012\r\n", 2, ""},
    VerdictCase{"error", "\r\n+CME ERROR: 3\r\n", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BaseJudges, SignalKeepsTheBlankAndNeverFails)
{
    BaseDriver d;
    EXPECT_EQ(d.OnGetSignalStrengthCmdRsp("\r\n+CSQ: 23,99\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetSignalStrength(), " 23,99");
    EXPECT_EQ(d.OnGetSignalStrengthCmdRsp("\r\n+CSQ: 23,99\r\n"), 2);
    EXPECT_EQ(d.GetSignalStrength(), "");
    EXPECT_EQ(d.OnGetSignalStrengthCmdRsp("\r\nERROR\r\n"), 2);
    EXPECT_EQ(d.OnGetSignalStrengthCmdRsp(""), 2);
}

class SmsCentreJudge : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(SmsCentreJudge, VerdictAndCentre)
{
    const VerdictCase& c = GetParam();
    BaseDriver d;
    d.smsCenterNumber = "old";
    EXPECT_EQ(d.OnGetQuerySmsCenterCmdRsp(c.answer), c.verdict);
    EXPECT_EQ(d.smsCenterNumber, c.kept);
}

INSTANTIATE_TEST_SUITE_P(Answers, SmsCentreJudge, ::testing::Values(
    VerdictCase{"number", "\r\n+CSCA: \"+8613800100500\",145\r\n\r\nOK\r\n", 0, "+8613800100500"},
    VerdictCase{"number_before_ok", "\r\n+CSCA: \"+8613800100500\",145\r\n", 0, "+8613800100500"},
    VerdictCase{"empty_number", "\r\n+CSCA: \"\",129\r\n\r\nOK\r\n", 0, ""},
    // The number line split across reads: read more instead of failing the send.
    VerdictCase{"comma_not_yet_arrived", "\r\n+CSCA: \"+86138001", 2, "old"},
    VerdictCase{"no_comma_in_final_answer", "\r\n+CSCA: \"+8613800100500\"\r\n\r\nOK\r\n", 1, ""},
    VerdictCase{"plain_ok_keeps_old", "\r\nOK\r\n", 0, "old"},
    VerdictCase{"empty", "", 2, "old"},
    VerdictCase{"error", "\r\n+CMS ERROR: 330\r\n", 1, "old"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BaseJudges, SmsCentreErrorIsKeptFromTheLineScanOnly)
{
    BaseDriver d;
    EXPECT_EQ(d.OnGetQuerySmsCenterCmdRsp("\r\n+CMS ERROR: 330\r\n"), 1);
    EXPECT_EQ(d.GetErrorMessage(), "+CMS ERROR: 330");
}

TEST(BaseJudges, CompatibleModeKeepsTheWholeErrorAnswer)
{
    BaseDriver d;
    EXPECT_EQ(d.OnGetRecvSmsCompatibleModeCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.OnGetRecvSmsCompatibleModeCmdRsp(""), 2);
    EXPECT_EQ(d.OnGetRecvSmsCompatibleModeCmdRsp("\r\nERROR\r\n"), 1);
    EXPECT_EQ(d.errorMessage, "\r\nERROR\r\n");
}

TEST(BaseJudges, ErrorMessageOutlivesLaterSuccess)
{
    BaseDriver d;
    EXPECT_EQ(d.GetErrorMessage(), "");
    EXPECT_EQ(d.OnOkErrorRsp("\r\n+CME ERROR: 10\r\n"), 1);
    EXPECT_EQ(d.OnOkErrorRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.OnGetAtCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetErrorMessage(), "+CME ERROR: 10");
    // Trimmed in place: the stored text loses its line ends too.
    d.errorMessage = "\r\nbad\r\n";
    EXPECT_EQ(d.GetErrorMessage(), "bad");
    EXPECT_EQ(d.errorMessage, "bad");
}

TEST(BaseJudges, ReadNextOfTheBaseDriver)
{
    BaseDriver d;
    EXPECT_EQ(d.OnReadNextSmsCmdRsp(""), 0);
    EXPECT_EQ(d.OnReadNextSmsCmdRsp("\r\nOK\r\n"), 1);
}

} // namespace
