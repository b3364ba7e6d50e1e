// The CDMA driver (type 7): vendor send commands with raw UCS-2 bodies, the index listing and the
// one-by-one reads of stored messages, its card-number judge.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CPhone_KC640_ON.h"

namespace {

const std::string kEnd("\x00\x1A", 2);

// UCS-2 big-endian bytes of an ASCII text.
std::string Ucs2(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += '\0';
        bytes += c;
    }
    return bytes;
}

std::string Header(const std::string& format, const std::string& sender = "13912345678")
{
    return "\r\n^HCMGR: " + sender + ",2024,01,13,12,32,52,0," + format + ",5,0,0,0,0\r\n";
}

TEST(KC640, CommandTexts)
{
    CPhone_KC640_ON d;
    EXPECT_EQ(d.SetSmsPDUModeCmd(), "AT^HSMSSS=0,0,6,0\r\n");
    EXPECT_EQ(d.GetQuerySmsCenterCmd(), "AT\r");
    EXPECT_EQ(d.GetReadAllSmsCmd(), "AT^HCMGL=4\r\n");
    EXPECT_EQ(d.GetIMSI_Cmd(), "AT+CCID\r\n");
    EXPECT_EQ(d.GetIMEI_Cmd(), "AT+CGSN\r\n");
    EXPECT_EQ(d.GetCallCmd("10086"), "AT+CDV10086\r\n");
    EXPECT_EQ(d.GetHungUpCmd(), "AT+CHV\r\n");
    EXPECT_EQ(d.GetSendSMS_PhoneCmd("10086"), "AT^HCMGS=\"10086\"\r\n");
    EXPECT_EQ(d.GetReceiveSmsCmd(), "at^hcmgr=1\r\n");
    EXPECT_EQ(d.GetInitAtCmd(), (std::vector<std::string>{"AT+CMEE=1\r\n", "AT+CPMS=\"SM\"\r\n", "ATE0\r\n",
                                                          "AT^RSSIREP=0\r\n"}));
    EXPECT_EQ(d.GetReadNextSmsCmd(), "");
}

TEST(KC640, OnePartSend)
{
    CPhone_KC640_ON d;
    std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendPduSmsCmdArray("123", "AB");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].command, "AT^HCMGS=\"123\"\r");
    EXPECT_EQ(steps[0].content, std::string("\x00\x41\x00\x42\x00\x1A", 6));

    steps = d.GetSendPduSmsCmdArray("123", "\xE4\xB8\xAD");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].content, std::string("\x4E\x2D\x00\x1A", 4));

    steps = d.GetSendSmsModePDUCmd("123", "");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].content, kEnd);
    EXPECT_TRUE(d.GetSendLongPduSmsCmd("123", "").empty());
}

// The data of a long send with the markers taken off, and the markers.
void SplitParts(const std::vector<PDU_LONG_SMS_Base_t>& steps, std::string& data, std::vector<std::string>& markers)
{
    for (const PDU_LONG_SMS_Base_t& step : steps) {
        ASSERT_LE(step.content.size(), CPhone_KC640_ON::MAX_CONTENT_BYTES);
        ASSERT_EQ(step.content.substr(step.content.size() - 2), kEnd);
        std::string body = step.content.substr(0, step.content.size() - 2);
        std::string::size_type open = body.rfind(std::string("\0(", 2));
        ASSERT_NE(open, std::string::npos);
        std::string marker;
        for (size_t i = open + 1; i < body.size(); i += 2) {
            marker += body[i];
        }
        markers.push_back(marker);
        data += body.substr(0, open);
        EXPECT_EQ(step.command, "AT^HCMGS=\"13912345678\"\r");
    }
}

TEST(KC640, LongSendCutsIntoNumberedParts)
{
    struct Case {
        size_t chars;  // ASCII characters, two UCS-2 bytes each
        size_t parts;
        std::vector<size_t> sizes; // content sizes, when checked
    };
    const std::vector<Case> cases = {
        {150, 3, {140, 140, 56}},
        {64, 1, {140}},  // exactly 128 data bytes
        {576, 9, {}},    // 9 parts of 128 bytes
        {577, 10, {}},   // one more character needs ten parts with longer markers
        {1000, 16, {}},
    };
    for (const Case& c : cases) {
        std::string text;
        for (size_t i = 0; i < c.chars; ++i) {
            text += static_cast<char>('a' + i % 26);
        }
        CPhone_KC640_ON d;
        std::vector<PDU_LONG_SMS_Base_t> steps = d.GetSendLongPduSmsCmd("13912345678", text);
        ASSERT_EQ(steps.size(), c.parts) << c.chars;
        std::string data;
        std::vector<std::string> markers;
        SplitParts(steps, data, markers);
        EXPECT_EQ(data, Ucs2(text)) << c.chars;
        for (size_t i = 0; i < markers.size(); ++i) {
            EXPECT_EQ(markers[i], "(" + std::to_string(i + 1) + "/" + std::to_string(c.parts) + ")");
        }
        for (size_t i = 0; i < c.sizes.size(); ++i) {
            EXPECT_EQ(steps[i].content.size(), c.sizes[i]) << c.chars << " part " << i + 1;
        }
        // Every part but the last is full.
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            EXPECT_EQ(steps[i].content.size(), CPhone_KC640_ON::MAX_CONTENT_BYTES) << c.chars << " part " << i + 1;
        }
    }
}

TEST(KC640, SendAnswerJudge)
{
    struct Case {
        std::string answer;
        int verdict;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"\r\nOK\r\n", 2, ""},
        {"\r\nOK\r\n\r\n^HCMGSS: 4\r\n", 0, ""},
        {"\r\nOK\r\n\r\n^HCMGSS: 4", 2, ""},
        {"\r\n^HCMGSF: 96\r\n", 1, "^HCMGSF: 96"},
        {"\r\n+CMS ERROR: 500\r\n", 1, "+CMS ERROR: 500"},
        {"", 2, ""},
    };
    for (const Case& c : cases) {
        CPhone_KC640_ON d;
        EXPECT_EQ(d.OnSendPduSmsContextCmdRsp(c.answer), c.verdict) << c.answer;
        EXPECT_EQ(d.GetErrorMessage(), c.error) << c.answer;
        EXPECT_FALSE(d.IsSendPduSmsRetry());
    }
}

TEST(KC640, CardNumberJudgeWaitsForTheErrorLine)
{
    CPhone_KC640_ON d;
    EXPECT_EQ(d.OnGetIMSI_CmdRsp("\r\nERROR"), 2);
    EXPECT_EQ(d.OnGetIMSI_CmdRsp("\r\nERROR\r\n"), 1);
    EXPECT_EQ(d.OnGetIMSI_CmdRsp(""), 2);
    EXPECT_EQ(d.OnGetIMSI_CmdRsp("\r\n+CCID: 89860312345678901234\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetSmsCardNumber(), "89860312345678901234");
    EXPECT_EQ(d.OnGetIMSI_CmdRsp("\r\nOK\r\n"), 1);
    EXPECT_EQ(d.GetSmsCardNumber(), "");
}

TEST(KC640, ListingWaitsForItsEndAndQueuesTheIndexes)
{
    CPhone_KC640_ON d;
    // Nothing has arrived yet: that is not an empty storage.
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(""), 2);
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n^HCMGL: 0,0,0,4\r\n"), 2);
    EXPECT_FALSE(d.NotFinished());
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n^HCMGL: 0,0,0,4\r\n^HCMGL: 3,1,0,9\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetReadNextSmsCmd(), "AT^HCMGR=0\r\n");
    // Entries left from an earlier listing stay in front.
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n^HCMGL: 7,1\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetReadNextSmsCmd(), "AT^HCMGR=3\r\n");
    EXPECT_EQ(d.GetReadNextSmsCmd(), "AT^HCMGR=7\r\n");
    EXPECT_FALSE(d.NotFinished());

    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_FALSE(d.NotFinished());
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n+CMS ERROR: 302\r\n"), 1);
    EXPECT_EQ(d.GetErrorMessage(), "+CMS ERROR: 302");
}

struct ReadCase {
    const char* name;
    std::string answer;
    int verdict;
    std::string text; // empty: no message stored
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class KC640Read : public ::testing::TestWithParam<ReadCase> {};

TEST_P(KC640Read, TextSenderAndTime)
{
    const ReadCase& c = GetParam();
    CPhone_KC640_ON d;
    EXPECT_EQ(d.OnReadNextSmsCmdRsp(c.answer), c.verdict);
    std::vector<SmsRecvStruct_t> messages = d.GetReadSms();
    if (c.text.empty()) {
        EXPECT_TRUE(messages.empty());
        return;
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, c.text);
    EXPECT_EQ(messages[0].from, "13912345678");
    EXPECT_EQ(messages[0].time, "2024-01-13 12:32:52");
}

const std::string kShang = "\xE4\xB8\x8A"; // U+4E0A: its UCS-2 form holds the byte 0x0A

INSTANTIATE_TEST_SUITE_P(Answers, KC640Read, ::testing::Values(
    ReadCase{"format1", Header("1") + "Hello\x1A\r\n\r\nOK\r\n", 0, "Hello"},
    ReadCase{"format6", Header("6") + Ucs2("Hi") + "\x4E\x2D" + kEnd + "\r\n\r\nOK\r\n", 0, "Hi\xE4\xB8\xAD"},
    ReadCase{"blank_before_sender", Header("1", " 13912345678") + "x\x1A\r\n\r\nOK\r\n", 0, "x"},
    ReadCase{"nine_fields", "\r\n^HCMGR: 13912345678,2024,01,13,12,32,52,0,1\r\nabc\x1A\r\n\r\nOK\r\n", 0, "abc"},
    // Texts that hold the final answer's word or line ends come out whole.
    ReadCase{"format1_ok_line_in_text", Header("1") + "one\r\nOK\r\nthree\x1A\r\n\r\nOK\r\n", 0, "one\r\nOK\r\nthree"},
    ReadCase{"format6_line_feed_byte", Header("6") + "\x4E\x0A" + Ucs2("OK") + kEnd + "\r\n\r\nOK\r\n", 0, kShang + "OK"},
    ReadCase{"format6_ok_line_in_bytes", Header("6") + "\x0A\x4F\x4B\x0D" + kEnd + "\r\n\r\nOK\r\n", 0,
             "\xE0\xA9\x8F\xE4\xAC\x8D"},
    // Cut after an "OK" line of the text: the final result has not come yet.
    ReadCase{"cut_inside_text", Header("1") + "one\r\nOK\r\nth", 2, ""},
    ReadCase{"cut_before_final_ok", Header("6") + Ucs2("Hi") + kEnd + "\r\n", 2, ""},
    ReadCase{"header_not_ended", "\r\n^HCMGR: 13912345678,2024", 2, ""},
    ReadCase{"empty", "", 2, ""},
    ReadCase{"error", "\r\n+CMS ERROR: 321\r\n", 1, ""},
    ReadCase{"ok_without_message", "\r\nOK\r\n", 0, ""},
    // No terminator: the text runs up to the line ends before the final OK.
    ReadCase{"format1_without_terminator", Header("1") + "Hello\r\n\r\nOK\r\n", 0, "Hello"},
    ReadCase{"format6_without_terminator", Header("6") + Ucs2("Yo") + "\r\n\r\nOK\r\n", 0, "Yo"},
    ReadCase{"eight_fields", "\r\n^HCMGR: 13912345678,2024,01,13,12,32,52,0\r\nabc\x1A\r\n\r\nOK\r\n", 0, ""},
    ReadCase{"unknown_format", Header("2") + "abc\x1A\r\n\r\nOK\r\n", 0, ""},
    ReadCase{"empty_text", Header("1") + "\x1A\r\n\r\nOK\r\n", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KC640, ReadingAStorageAndThenTheOther)
{
    CPhone_KC640_ON d;
    ASSERT_EQ(d.OnReadAllSmsCmdRsp("\r\n^HCMGL: 1,0\r\n^HCMGL: 2,0\r\n\r\nOK\r\n"), 0);
    std::vector<std::string> commands;
    while (d.NotFinished()) {
        commands.push_back(d.GetReadNextSmsCmd());
        d.OnReadNextSmsCmdRsp(Header("1") + "m" + commands.back().substr(9, 1) + "\x1A\r\n\r\nOK\r\n");
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"AT^HCMGR=1\r\n", "AT^HCMGR=2\r\n"}));
    ASSERT_EQ(d.GetReadSms().size(), 2u);
    EXPECT_EQ(d.GetReadSms()[1].text, "m2");
    // The next storage's listing starts an empty list.
    ASSERT_EQ(d.OnReadAllSmsCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_TRUE(d.GetReadSms().empty());
}

} // namespace
