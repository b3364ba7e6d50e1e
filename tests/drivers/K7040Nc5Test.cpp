// The type-2 driver: index listing, reading one message per command, its SMS-centre and PDU-mode
// judges.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CPhone_K7040_NC5.h"
#include "Oracle.h"

namespace {

class Nc5 : public CPhone_K7040_NC5 {
public:
    using CPhone_K7040_NC5::errorMessage;
    using CPhone_K7040_NC5::smsCenterNumber;
    using CPhone_K7040_NC5::storedMessageIndex;
};

const std::string kSender = "+8613912345678";

std::string ReadAnswer(const std::string& pdu, int status = 1)
{
    return "\r\n+CMGR: " + std::to_string(status) + ",,40\r\n" + pdu + "\r\n\r\nOK\r\n";
}

// The read commands the driver gives after an index listing, until it is finished.
std::vector<std::string> ReadCommands(Nc5& d, const std::string& listing)
{
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(listing), 0);
    std::vector<std::string> commands;
    while (d.NotFinished() && commands.size() < 2000) {
        commands.push_back(d.GetReadNextSmsCmd());
    }
    EXPECT_EQ(d.GetReadNextSmsCmd(), "");
    return commands;
}

// One storage read the way the read job drives it: the listing, then one read per index with the
// answer the modem gives for that command (none for a silent index).
std::vector<SmsRecvStruct_t> ReadStorage(Nc5& d, const std::string& listing,
                                         const std::map<std::string, std::string>& answers)
{
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(listing), 0);
    for (int pass = 0; d.NotFinished() && pass < 100; ++pass) {
        auto answer = answers.find(d.GetReadNextSmsCmd());
        d.OnReadNextSmsCmdRsp(answer == answers.end() ? std::string() : answer->second);
    }
    return d.GetReadSms();
}

std::vector<std::string> Texts(const std::vector<SmsRecvStruct_t>& messages)
{
    std::vector<std::string> texts;
    for (const SmsRecvStruct_t& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

TEST(K7040Nc5, CommandTexts)
{
    Nc5 d;
    EXPECT_EQ(d.GetRecvSmsCompatibleModeCmd(), "AT+ATVER=1\r");
    EXPECT_EQ(d.GetReadAllSmsCmd(), "AT+CMGD=?\r\n");
    EXPECT_EQ(d.GetCallCmd("10086"), "ATD10086;\r\n");
    EXPECT_EQ(d.GetHungUpCmd(), "at+chup;\r\n");
    EXPECT_EQ(d.SetSmsPDUModeCmd(), "at+cmgf=0\r\n");
    EXPECT_FALSE(d.NotFinished());
    EXPECT_EQ(d.GetReadNextSmsCmd(), "");
}

TEST(K7040Nc5, IndexListing)
{
    struct Case {
        std::string listing;
        std::vector<std::string> commands;
    };
    const std::vector<Case> cases = {
        {"\r\n+CMGD: (1,2,5),(0-4)\r\n\r\nOK\r\n", {"AT+CMGR=1\r\n", "AT+CMGR=2\r\n", "AT+CMGR=5\r\n"}},
        {"\r\n+CMGD: (),(0-4)\r\n\r\nOK\r\n", {}},
        // A range cannot be read at once: every index in it is read.
        {"\r\n+CMGD: (0-3,7),(0-4)\r\n\r\nOK\r\n",
         {"AT+CMGR=0\r\n", "AT+CMGR=1\r\n", "AT+CMGR=2\r\n", "AT+CMGR=3\r\n", "AT+CMGR=7\r\n"}},
        {"\r\n+CMGD: ( 4-5 ,9)\r\n\r\nOK\r\n", {"AT+CMGR=4\r\n", "AT+CMGR=5\r\n", "AT+CMGR=9\r\n"}},
        {"\r\n+CMGD: (3-1)\r\n\r\nOK\r\n", {}},
        {"\r\n+CMGD: (1,,2)\r\n\r\nOK\r\n", {"AT+CMGR=1\r\n", "AT+CMGR=2\r\n"}},
    };
    for (const Case& c : cases) {
        Nc5 d;
        EXPECT_EQ(ReadCommands(d, c.listing), c.commands) << c.listing;
    }
}

TEST(K7040Nc5, RangesAreBoundedBySaneMaximum)
{
    Nc5 d;
    std::vector<std::string> commands = ReadCommands(d, "\r\n+CMGD: (0-99999999999),(0-4)\r\n\r\nOK\r\n");
    ASSERT_EQ(commands.size(), CPhone_K7040_NC5::MAX_LISTED_INDEXES);
    EXPECT_EQ(commands.back(), "AT+CMGR=" + std::to_string(CPhone_K7040_NC5::MAX_LISTED_INDEXES - 1) + "\r\n");
}

TEST(K7040Nc5, ListingErrorsAndIncompleteAnswers)
{
    Nc5 d;
    EXPECT_EQ(d.OnReadAllSmsCmdRsp(""), 2);
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n+CMGD: (1,2"), 2);
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\n+CMS ERROR: 302\r\n"), 1);
    EXPECT_EQ(d.GetErrorMessage(), "+CMS ERROR: 302");
    EXPECT_FALSE(d.NotFinished());
    // An accepted answer without the list keeps the indexes still to read.
    ASSERT_EQ(d.OnReadAllSmsCmdRsp("\r\n+CMGD: (1,2)\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.OnReadAllSmsCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetReadNextSmsCmd(), "AT+CMGR=1\r\n");
}

TEST(K7040Nc5, ReadsBothStoragesAsSeparateLists)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Message(kSender, "d1"), oracle::Message(kSender, "d2"),
                                                      oracle::Message(kSender, "d3"), oracle::Message(kSender, "s1"),
                                                      oracle::Message(kSender, "s2")});
    Nc5 d;
    std::vector<SmsRecvStruct_t> device = ReadStorage(d, "\r\n+CMGD: (0,1,2),(0-4)\r\n\r\nOK\r\n",
                                                      {{"AT+CMGR=0\r\n", ReadAnswer(p[0])},
                                                       {"AT+CMGR=1\r\n", ReadAnswer(p[1])},
                                                       {"AT+CMGR=2\r\n", ReadAnswer(p[2])}});
    EXPECT_EQ(Texts(device), (std::vector<std::string>{"d1", "d2", "d3"}));
    EXPECT_EQ(device[0].from, "8613912345678");
    EXPECT_EQ(device[0].time, "24-01-13 12:32:52");

    std::vector<SmsRecvStruct_t> sim = ReadStorage(
        d, "\r\n+CMGD: (1-2),(0-4)\r\n\r\nOK\r\n", {{"AT+CMGR=1\r\n", ReadAnswer(p[3])}, {"AT+CMGR=2\r\n", ReadAnswer(p[4])}});
    EXPECT_EQ(Texts(sim), (std::vector<std::string>{"s1", "s2"}));

    // An empty storage after a full one gives no message.
    EXPECT_TRUE(ReadStorage(d, "\r\n+CMGD: (),(0-4)\r\n\r\nOK\r\n", {}).empty());
}

TEST(K7040Nc5, LongMessageReadPartByPartIsJoined)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Part(kSender, "first ", 77, 3, 1), oracle::Part(kSender, "second ", 77, 3, 2),
                                                      oracle::Part(kSender, "third", 77, 3, 3), oracle::Message(kSender, "short")});
    Nc5 d;
    std::vector<SmsRecvStruct_t> messages = ReadStorage(d, "\r\n+CMGD: (0,1,2,3),(0-4)\r\n\r\nOK\r\n",
                                                        {{"AT+CMGR=0\r\n", ReadAnswer(p[2])},
                                                         {"AT+CMGR=1\r\n", ReadAnswer(p[3])},
                                                         {"AT+CMGR=2\r\n", ReadAnswer(p[0])},
                                                         {"AT+CMGR=3\r\n", ReadAnswer(p[1])}});
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"short", "first second third"}));
}

TEST(K7040Nc5, FailedReadsLoseOnlyTheirOwnMessage)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Message(kSender, "kept"), oracle::Message(kSender, "also kept")});
    Nc5 d;
    // Index 1 answers with an error, the last index never answers.
    std::vector<SmsRecvStruct_t> messages = ReadStorage(d, "\r\n+CMGD: (0,1,2,3),(0-4)\r\n\r\nOK\r\n",
                                                        {{"AT+CMGR=0\r\n", ReadAnswer(p[0])},
                                                         {"AT+CMGR=1\r\n", "\r\n+CMS ERROR: 321\r\n"},
                                                         {"AT+CMGR=2\r\n", ReadAnswer(p[1])}});
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"kept", "also kept"}));
}

TEST(K7040Nc5, ReadJudgeVerdicts)
{
    std::vector<std::string> p = oracle::DeliverEach({oracle::Message(kSender, "hi")});
    const std::string answer = ReadAnswer(p[0]);
    Nc5 d;
    ASSERT_EQ(d.OnReadAllSmsCmdRsp("\r\n+CMGD: (1,2),(0-4)\r\n\r\nOK\r\n"), 0);
    // Still arriving: nothing is taken.
    EXPECT_EQ(d.OnReadNextSmsCmdRsp(""), 2);
    EXPECT_EQ(d.OnReadNextSmsCmdRsp(answer.substr(0, answer.size() - 6)), 2);
    EXPECT_TRUE(d.GetReadSms().empty());
    EXPECT_EQ(d.OnReadNextSmsCmdRsp("\r\nERROR\r\n"), 1);
    EXPECT_EQ(d.OnReadNextSmsCmdRsp(answer), 0);
    ASSERT_EQ(d.GetReadSms().size(), 1u);
    EXPECT_EQ(d.GetReadSms()[0].text, "hi");
    // An OK without a message header adds nothing.
    EXPECT_EQ(d.OnReadNextSmsCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.OnReadNextSmsCmdRsp("\r\n+CMGR: 1,,40\r\nOK\r\n"), 0);
    EXPECT_EQ(d.GetReadSms().size(), 1u);
}

TEST(K7040Nc5, StoredOutgoingMessageIsReadAsSent)
{
    CPhoneCardBase sender;
    std::string pdu = sender.GetSendSmsModePDUCmd("13912345678", "draft")[0].content;
    pdu.pop_back();
    Nc5 d;
    std::vector<SmsRecvStruct_t> messages =
        ReadStorage(d, "\r\n+CMGD: (4),(0-4)\r\n\r\nOK\r\n", {{"AT+CMGR=4\r\n", ReadAnswer(pdu, 2)}});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].from, "13912345678");
    EXPECT_EQ(messages[0].text, "draft");
}

TEST(K7040Nc5, PduModeAndSmsCentreJudges)
{
    Nc5 d;
    EXPECT_EQ(d.OnSetSmsPduModeCmdRsp("\r\n+CMGW: 3\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.storedMessageIndex, "3");
    EXPECT_EQ(d.OnSetSmsPduModeCmdRsp("\r\nOK\r\n"), 0);
    EXPECT_EQ(d.OnSetSmsPduModeCmdRsp(""), 2);
    EXPECT_EQ(d.OnSetSmsPduModeCmdRsp("\r\n+CME ERROR: 4\r\n"), 1);
    EXPECT_EQ(d.GetErrorMessage(), "+CME ERROR: 4");

    // The centre query never fails and never waits.
    EXPECT_EQ(d.OnGetQuerySmsCenterCmdRsp(""), 0);
    EXPECT_EQ(d.smsCenterNumber, "");
    EXPECT_EQ(d.OnGetQuerySmsCenterCmdRsp("\r\nERROR\r\n"), 0);
    EXPECT_EQ(d.OnGetQuerySmsCenterCmdRsp("\r\n+CSCA: \"+8613800100500\",145\r\n\r\nOK\r\n"), 0);
    EXPECT_EQ(d.smsCenterNumber, "+8613800100500");
}

} // namespace
