// The GSM stored-message listing ("AT+CMGL=4") and the joining of long messages, with PDUs built
// by an independent SMS library.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CreatePhone.h"
#include "Oracle.h"

namespace {

class Driver : public CPhoneCardBase {
public:
    using CPhoneCardBase::errorMessage;
    using CPhoneCardBase::readSms;
};

const std::string kSender = "+8613912345678";
const std::string kSenderDigits = "8613912345678";
const std::string kTime = "24-01-13 12:32:52"; // the library's default time stamp
const std::string kHan = "\xE4\xB8\xAD\xE6\x96\x87";

struct Stored {
    int index;
    int status;
    std::string pdu;
};

std::string Listing(const std::vector<Stored>& stored, const std::string& end = "\r\nOK\r\n")
{
    std::string answer;
    for (const Stored& s : stored) {
        answer += "\r\n+CMGL: " + std::to_string(s.index) + "," + std::to_string(s.status) + ",,40\r\n" + s.pdu;
    }
    return answer + "\r\n" + end;
}

std::vector<std::string> Texts(const std::vector<SmsRecvStruct_t>& messages)
{
    std::vector<std::string> texts;
    for (const SmsRecvStruct_t& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

// The joined messages of a listing, through the listing judge.
std::vector<SmsRecvStruct_t> Read(const std::vector<Stored>& stored)
{
    Driver d;
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(Listing(stored)), 0);
    return d.GetReadSms();
}

TEST(Listing, EmptyStorage)
{
    Driver d;
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_TRUE(d.GetReadSms().empty());
    EXPECT_EQ(d.errorMessage, "OK");
}

TEST(Listing, OneMessageWhileArrivingCompleteAndFailed)
{
    std::vector<std::string> pdus = oracle::DeliverEach({oracle::Message(kSender, "Hello " + kHan)});
    ASSERT_EQ(pdus.size(), 1u);
    const std::string listing = Listing({{1, 1, pdus[0]}});

    Driver d;
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(listing), 0);
    ASSERT_EQ(d.GetReadSms().size(), 1u);
    EXPECT_EQ(d.GetReadSms()[0].from, kSenderDigits);
    EXPECT_EQ(d.GetReadSms()[0].time, kTime);
    EXPECT_EQ(d.GetReadSms()[0].text, "Hello " + kHan);

    // Without its final OK the message is already there; cut inside the PDU line it is not yet.
    const std::string unfinished = listing.substr(0, listing.size() - 6);
    Driver partial;
    EXPECT_EQ(partial.OnReadAllSmsCmdRsp(unfinished), 2);
    EXPECT_EQ(partial.GetReadSms().size(), 1u);
    EXPECT_EQ(partial.OnReadAllSmsCmdRsp(listing.substr(0, listing.find(pdus[0]) + 10)), 2);
    EXPECT_TRUE(partial.GetReadSms().empty());

    // An error keeps the list of the previous call.
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(unfinished + "\r\n+CMS ERROR: 500\r\n"), 1);
    EXPECT_EQ(d.GetReadSms().size(), 1u);
    EXPECT_NE(d.GetErrorMessage().find("+CMS ERROR: 500"), std::string::npos);
}

TEST(Listing, EndMarksOtherThanOk)
{
    for (const char* end : {"SMS DONE\r\n", "SMS FULL\r\n"}) {
        Driver d;
        d.errorMessage = "old";
        EXPECT_EQ(d.OnReadAllSmsCmdRsp(std::string("\r\n") + end), 0) << end;
        EXPECT_EQ(d.errorMessage, std::string(end) == "SMS DONE\r\n" ? "SMS DONE" : "old");
    }
}

TEST(Listing, StoredOutgoingMessageGivesItsDestination)
{
    Driver sender;
    std::string pdu = sender.GetSendSmsModePDUCmd("13912345678", "hi there")[0].content;
    pdu.pop_back(); // Ctrl-Z
    std::vector<SmsRecvStruct_t> messages = Read({{4, 2, pdu}, {5, 3, pdu}});
    ASSERT_EQ(messages.size(), 2u);
    for (const SmsRecvStruct_t& m : messages) {
        EXPECT_EQ(m.from, "13912345678");
        EXPECT_EQ(m.time, "");
        EXPECT_EQ(m.text, "hi there");
    }
}

TEST(Listing, HeadersThatGiveNoMessageOrAnEmptyOne)
{
    std::vector<std::string> pdus = oracle::DeliverEach({oracle::Message(kSender, "x")});
    const std::string pdu = pdus.at(0);
    Driver d;
    // Index -1, no comma after the index, a header as the last line: nothing. Status 7: an empty
    // message. A non-numeric index counts as 0.
    std::string answer = "\r\n+CMGL: -1,1,,20\r\n" + pdu + "\r\n+CMGL: 3\r\n" + pdu + "\r\n+CMGL: 4,7,,20\r\n" + pdu +
                         "\r\n+CMGL: x,1,,20\r\n" + pdu + "\r\n+CMGL: 9,1,,20\r\n";
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(answer), 2);
    std::vector<SmsRecvStruct_t> messages = d.GetReadSms();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "x"); // index 0 sorts first
    EXPECT_FALSE(messages[1].IsOk());
    EXPECT_EQ(messages[1].from, "");
}

TEST(Joining, PartsOutOfStorageOrderAndTheLastPartsSenderAndTime)
{
    Json::Value second = oracle::Part(kSender, " world", 42, 2, 2);
    second["time"] = "2024-02-03 04:05:06";
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "Hello", 42, 2, 1), second});
    std::vector<SmsRecvStruct_t> messages = Read({{3, 1, p[1]}, {4, 1, p[0]}});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Hello world");
    EXPECT_EQ(messages[0].from, kSenderDigits);
    EXPECT_EQ(messages[0].time, "24-02-03 04:05:06");
}

TEST(Joining, SinglesFirstThenLongMessagesByReference)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "nine-1 ", 9, 2, 1), oracle::Part(kSender, "nine-2", 9, 2, 2),
                                                      oracle::Part(kSender, "seven-1 ", 7, 2, 1), oracle::Part(kSender, "seven-2", 7, 2, 2),
                                                      oracle::Message(kSender, "single")});
    std::vector<Stored> stored = {{1, 1, p[0]}, {2, 1, p[3]}, {3, 1, p[4]}, {4, 1, p[1]}, {5, 0, p[2]}};
    const std::vector<std::string> expected = {"single", "seven-1 seven-2", "nine-1 nine-2"};
    EXPECT_EQ(Texts(Read(stored)), expected);
    std::reverse(stored.begin(), stored.end());
    EXPECT_EQ(Texts(Read(stored)), expected);
}

TEST(Joining, MissingPartsJoinWhatIsThere)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "one ", 5, 3, 1), oracle::Part(kSender, "three", 5, 3, 3)});
    EXPECT_EQ(Texts(Read({{1, 1, p[1]}, {2, 1, p[0]}})), std::vector<std::string>{"one three"});
}

TEST(Joining, DifferentMessagesAreNeverMerged)
{
    // Part 1 of message A and parts 2 and 3 of message B: two messages, not one.
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "A1", 10, 3, 1), oracle::Part(kSender, "B2", 11, 3, 2),
                                                      oracle::Part(kSender, "B3", 11, 3, 3)});
    EXPECT_EQ(Texts(Read({{1, 1, p[0]}, {2, 1, p[1]}, {3, 1, p[2]}})), (std::vector<std::string>{"A1", "B2B3"}));

    // Two senders whose messages share a reference, stored interleaved.
    std::vector<std::string> q = oracle::DeliverEach({oracle::Part("+8613900000001", "X1", 20, 2, 1),
                                                      oracle::Part("+8613900000002", "Y1", 20, 2, 1),
                                                      oracle::Part("+8613900000001", "X2", 20, 2, 2),
                                                      oracle::Part("+8613900000002", "Y2", 20, 2, 2)});
    std::vector<SmsRecvStruct_t> messages = Read({{1, 1, q[0]}, {2, 1, q[1]}, {3, 1, q[2]}, {4, 1, q[3]}});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "X1X2");
    EXPECT_EQ(messages[0].from, "8613900000001");
    EXPECT_EQ(messages[1].text, "Y1Y2");
    EXPECT_EQ(messages[1].from, "8613900000002");

    // Same reference and sender, different part counts.
    std::vector<std::string> r = oracle::DeliverEach({oracle::Part(kSender, "P1", 30, 2, 1), oracle::Part(kSender, "Q2", 30, 3, 2)});
    EXPECT_EQ(Texts(Read({{1, 1, r[0]}, {2, 1, r[1]}})), (std::vector<std::string>{"P1", "Q2"}));
}

TEST(Joining, TheSameMessageReceivedTwiceStaysTwoMessages)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "ab", 50, 2, 1), oracle::Part(kSender, "cd", 50, 2, 2)});
    EXPECT_EQ(Texts(Read({{1, 1, p[0]}, {2, 1, p[1]}, {3, 1, p[0]}, {4, 1, p[1]}})),
              (std::vector<std::string>{"abcd", "abcd"}));
}

TEST(Joining, PartCountsOfOneAndZeroStandAlone)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "solo", 60, 1, 1), oracle::Part(kSender, "again", 60, 1, 1),
                                                      oracle::Part(kSender, "z1", 61, 1, 1), oracle::Part(kSender, "z2", 61, 1, 1),
                                                      oracle::Message(kSender, "plain")});
    // A broken header announcing 0 parts: the listing goes on and the part is a message of its own.
    for (size_t i : {2, 3}) {
        std::string::size_type header = p[i].find("0500033D01");
        ASSERT_NE(header, std::string::npos);
        p[i].replace(header, 10, "0500033D00");
    }
    p[3].replace(p[3].find("0500033D00") + 10, 2, "02");
    std::vector<SmsRecvStruct_t> messages = Read({{1, 1, p[0]}, {2, 1, p[1]}, {3, 1, p[2]}, {4, 1, p[3]}, {5, 1, p[4]}});
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"plain", "solo", "again", "z1", "z2"}));
}

TEST(Joining, LongUcs2MessageComesBackWhole)
{
    // 67 characters fill a part; the text holds characters of three UTF-8 lengths.
    std::string first, second;
    for (int i = 0; i < 67; ++i) {
        first += i % 2 ? kHan.substr(0, 3) : "a";
    }
    for (int i = 0; i < 40; ++i) {
        second += "\xC3\xA9";
    }
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, first, 200, 2, 1), oracle::Part(kSender, second, 200, 2, 2)});
    std::vector<SmsRecvStruct_t> messages = Read({{7, 1, p[1]}, {8, 1, p[0]}});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, first + second);
}

TEST(Joining, SixteenBitReferencesJoinByTheSameRulesButNeverWithEightBitOnes)
{
    auto wide = [](const std::string& text, int ref, int total, int seq) {
        Json::Value part = oracle::Part(kSender, text, ref, total, seq);
        part["concat"]["bits"] = 16;
        return part;
    };
    // Reference 42 in both kinds, from the same sender with the same part count.
    std::vector<std::string> p = oracle::DeliverEach({wide("first ", 0x012A, 3, 1), wide("second ", 0x012A, 3, 2),
                                                      wide("third", 0x012A, 3, 3), wide("A16 ", 42, 2, 1), wide("B16", 42, 2, 2),
                                                      oracle::Part(kSender, "A8 ", 42, 2, 1), oracle::Part(kSender, "B8", 42, 2, 2)});
    std::vector<Stored> stored = {{1, 1, p[2]}, {2, 1, p[6]}, {3, 1, p[4]}, {4, 1, p[0]},
                                  {5, 1, p[5]}, {6, 1, p[3]}, {7, 1, p[1]}};
    const std::vector<std::string> expected = {"A8 B8", "A16 B16", "first second third"};
    EXPECT_EQ(Texts(Read(stored)), expected);
    std::reverse(stored.begin(), stored.end());
    EXPECT_EQ(Texts(Read(stored)), expected);
}

TEST(ListingHelpers, TimeStampHeaderAndHexDigits)
{
    EXPECT_EQ(CPhoneCardBase::ReceiveTimeToReadStr("200729005956"), "");
    EXPECT_EQ(CPhoneCardBase::ReceiveTimeToReadStr("2007290059562"), "20-07-29 00:59:56");
    EXPECT_EQ(CPhoneCardBase::ReceiveTimeToReadStr("20072900595632"), "20-07-29 00:59:56");
    EXPECT_EQ(CPhoneCardBase::ReceiveTimeToReadStr(""), "");
    EXPECT_EQ(CPhoneCardBase::ReceiveTimeToReadStr(nullptr), "");

    struct Case {
        std::string line;
        int index;
        int status;
    };
    const std::vector<Case> cases = {
        {"+CMGL: 3,1,,24\r", 3, 1},
        {"+CMGL: 12,0\r", 12, -1},
        {"+CMGL: -2,1,,24", -2, -1},
        {"+CMGL: 4\r", -1, -1},
        {"+CMGL: abc,2,,1", 0, 2},
        {"+CMGR: 3,1,,24", -1, -1},
        {"+CMGL: 99999999999999,1,", 2147483647, 1},
    };
    for (const Case& c : cases) {
        SmsMode mode = CPhoneCardBase::StrToSmsMode(c.line);
        EXPECT_EQ(mode.index, c.index) << c.line;
        EXPECT_EQ(mode.status, c.status) << c.line;
    }

    for (char c : std::string("0123456789ABCDEFabcdef")) {
        EXPECT_TRUE(IsHexChar(c)) << c;
    }
    for (char c : {'g', 'G', ' ', '\0', '\r', '-'}) {
        EXPECT_FALSE(IsHexChar(c)) << static_cast<int>(c);
    }
}

TEST(ListingHelpers, MessageRecord)
{
    SmsRecvStruct_t m;
    EXPECT_FALSE(m.IsOk());
    m.from = "1";
    m.time = "t";
    EXPECT_FALSE(m.IsOk());
    m.text = "x";
    EXPECT_TRUE(m.IsOk());
    m.Reset();
    EXPECT_TRUE(m.from.empty() && m.time.empty() && m.text.empty());
}

TEST(ListingHelpers, PrintRecvSmsLayout)
{
    Driver d;
    d.readSms = {SmsRecvStruct_t{"10086", "24-01-13 12:32:52", "hi"}};
    testing::internal::CaptureStdout();
    d.PrintRecvSms();
    const std::string rule(50, '-');
    EXPECT_EQ(testing::internal::GetCapturedStdout(), rule + "\n 第 1 条短信\n发送号码: 10086\n发送时间: 24-01-13 12:32:52\n"
                                                       "短信内容: hi\n" + rule + "\n");
}

} // namespace
