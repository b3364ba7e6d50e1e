// The AT exchange loops against a pseudo-terminal whose far end is a scripted thread.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "ComPortBase.h"
#include "PhoneCardBase.h"
#include "ScriptedPeer.h"
#include "term.h"

namespace {

using Piece = ScriptedPeer::Piece;

struct JudgeCall {
    std::string judge;
    std::string answer;
};

// Records every judge call. Verdicts come from `verdicts` in turn (then `otherwise`), or from the
// base driver when `delegate` is set.
class ScriptedPhone : public CPhoneCardBase {
public:
    std::vector<int> verdicts;
    int otherwise = 2;
    bool delegate = false;
    // A closed line is read at once, so closing it on the first call runs a long count out fast.
    CComPortBase* closeOnFirstCall = nullptr;
    std::vector<std::string> initCommands{"AT+ONE\r\n", "AT+TWO\r\n", "AT+THREE\r\n"};
    std::vector<JudgeCall> calls;

    std::vector<std::string> GetInitAtCmd() const override { return initCommands; }

#define JUDGE(name)                                                                                                  \
    int name(std::string rsp) override { return Judge(#name, rsp, delegate ? CPhoneCardBase::name(rsp) : -1); }
    JUDGE(OnInitAtCmdRsp)
    JUDGE(OnDelAllSmsCmdRsp)
    JUDGE(OnGetQuerySmsCenterCmdRsp)
    JUDGE(OnGetAtCmdRsp)
    JUDGE(OnGetAtiCmdRsp)
    JUDGE(OnGetIMEI_Cmd)
    JUDGE(OnSendPduSmsContextCmdRsp)
    JUDGE(OnSendPduSmsLenCmdRsp)
    JUDGE(OnReadAllSmsCmdRsp)
    JUDGE(OnGetRecvSmsCompatibleModeCmdRsp)
    JUDGE(OnSetSmsPduModeCmdRsp)
    JUDGE(OnGetIMSI_CmdRsp)
    JUDGE(OnGetReadSmsOnMeCmd)
    JUDGE(OnGetReadSmsOnSmCmd)
    JUDGE(OnGetSignalStrengthCmdRsp)
#undef JUDGE

private:
    int Judge(const char* name, const std::string& rsp, int delegated)
    {
        calls.push_back({name, rsp});
        if (closeOnFirstCall != nullptr && calls.size() == 1) {
            closeOnFirstCall->Close();
        }
        if (delegate) {
            return delegated;
        }
        return calls.size() <= verdicts.size() ? verdicts[calls.size() - 1] : otherwise;
    }
};

using Run = std::function<bool(CCheckManager&, CPhoneCardBase*, CComPortBase*)>;

struct Exchange {
    const char* name;
    Run run;
    std::string command;
    const char* judge;
    size_t reads;
    bool opens; // opens a closed port itself
};

const std::string PDU_BODY("0011000D91\0" "683108\x1a", 18);
const std::string LENGTH_COMMAND = "AT+CMGS=27\r";

std::vector<Exchange> SingleExchanges()
{
    CPhoneCardBase base;
    return {
        {"QuerySMSC", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdQuerySMSC(p, c); },
         base.GetQuerySmsCenterCmd(), "OnGetQuerySmsCenterCmdRsp", 1400, false},
        {"AT", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdAT(p, c); },
         base.GetATCmd(), "OnGetAtCmdRsp", 10, true},
        {"ATI", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdATI(p, c); },
         base.GetAtiCmd(), "OnGetAtiCmdRsp", 1400, false},
        {"GetSerialNumber", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdGetSerialNumber(p, c); },
         base.GetIMEI_Cmd(), "OnGetIMEI_Cmd", 5, true},
        {"SendPduContext", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdSendPduContext(p, c, PDU_BODY); },
         PDU_BODY, "OnSendPduSmsContextCmdRsp", 1400, false},
        {"SendPduLen", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdSendPduLen(p, c, LENGTH_COMMAND); },
         LENGTH_COMMAND, "OnSendPduSmsLenCmdRsp", 1200, false},
        {"ReadAllSmsToPhone", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdReadAllSmsToPhone(p, c); },
         base.GetReadAllSmsCmd(), "OnReadAllSmsCmdRsp", 1200, false},
        {"SetRecvSmsCompatibleMode", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdSetRecvSmsCompatibleMode(p, c); },
         base.GetRecvSmsCompatibleModeCmd(), "OnGetRecvSmsCompatibleModeCmdRsp", 1400, false},
        {"SetPduMode", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdSetPduMode(p, c); },
         base.SetSmsPDUModeCmd(), "OnSetSmsPduModeCmdRsp", 1400, false},
        {"GetSmsCardNumber", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdGetSmsCardNumber(p, c); },
         base.GetIMSI_Cmd(), "OnGetIMSI_CmdRsp", 5, false},
        {"ReadME_Sms", [](CCheckManager& m, CPhoneCardBase* p, CComPortBase* c) { return m.RunComCmdReadME_Sms(p, c); },
         base.GetReadSmsOnMeCmd(), "OnGetReadSmsOnMeCmd", 5, false},
        {"ReadSM_Sms", [](CCheckManager& m, CPhoneCardBase* p, CComPortBase* c) { return m.RunComCmdReadSM_Sms(p, c); },
         base.GetReadSmsOnSmCmd(), "OnGetReadSmsOnSmCmd", 5, false},
        {"GetSignalStrength", [](CCheckManager&, CPhoneCardBase* p, CComPortBase* c) { return CCheckManager::RunComCmdGetSignalStrength(p, c); },
         base.GetSignalStrengthCmd(), "OnGetSignalStrengthCmdRsp", 5, false},
        {"DelAllSms", [](CCheckManager& m, CPhoneCardBase* p, CComPortBase* c) { return m.RunComCmdDelAllSms(p, c); },
         base.GetDelAllSmsCmd(), "OnDelAllSmsCmdRsp", 1400, false},
    };
}

// What the peer heard of a unit: a command ends at its CR (the LF after it is dropped).
std::string AsHeard(const std::string& command)
{
    return command.size() >= 2 && command.compare(command.size() - 2, 2, "\r\n") == 0
               ? command.substr(0, command.size() - 1)
               : command;
}

class ExchangeLoop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CComPortBase::ResetAllComPort(), 0); }
    void TearDown() override { term_lib_init(); }

    // Writes a last command through a fresh handle and waits for it, so that everything written
    // before has been heard.
    static std::vector<std::string> HeardUpToSentinel(ScriptedPeer& peer, size_t before)
    {
        CComPortBase com(peer.Path(), 9600);
        com.Write("AT+END\r\n");
        EXPECT_TRUE(peer.WaitAnswered(before + 1));
        return peer.Heard();
    }

    CCheckManager manager;
};

TEST_F(ExchangeLoop, EachExchangeWritesItsCommandAndReadsExactlyItsCount)
{
    ScriptedPeer peer([](const std::string&) { return std::vector<Piece>(); });
    ASSERT_TRUE(peer.ok());
    size_t heard = 0;
    for (const Exchange& exchange : SingleExchanges()) {
        if (std::string(exchange.name) == "DelAllSms") {
            continue; // 1400 reads of over 100 ms; its wait is tested on its own
        }
        SCOPED_TRACE(exchange.name);
        CComPortBase com(peer.Path(), 9600);
        ScriptedPhone phone;
        phone.closeOnFirstCall = &com;
        EXPECT_FALSE(exchange.run(manager, &phone, &com));
        ASSERT_EQ(phone.calls.size(), exchange.reads);
        for (const JudgeCall& call : phone.calls) {
            EXPECT_EQ(call.judge, exchange.judge);
        }
        ASSERT_TRUE(peer.WaitAnswered(++heard));
        EXPECT_EQ(peer.Heard().back(), AsHeard(exchange.command));
    }
}

TEST_F(ExchangeLoop, CheckedPortsAreNotOpenedAndNothingIsWritten)
{
    ScriptedPeer peer([](const std::string&) { return std::vector<Piece>(); });
    ASSERT_TRUE(peer.ok());
    std::vector<std::string> expected;
    for (const Exchange& exchange : SingleExchanges()) {
        SCOPED_TRACE(exchange.name);
        CComPortBase com(peer.Path(), 9600);
        com.Close();
        ScriptedPhone phone;
        phone.closeOnFirstCall = &com;
        EXPECT_FALSE(exchange.run(manager, &phone, &com));
        if (exchange.opens) {
            EXPECT_EQ(phone.calls.size(), exchange.reads);
            expected.push_back(AsHeard(exchange.command));
        } else {
            EXPECT_TRUE(phone.calls.empty());
        }
        EXPECT_FALSE(exchange.run(manager, nullptr, &com));
        EXPECT_FALSE(exchange.run(manager, &phone, nullptr));
    }
    CComPortBase closed(peer.Path(), 9600);
    closed.Close();
    ScriptedPhone phone;
    phone.initCommands = {"AT+INIT\r\n"};
    phone.verdicts = {0};
    CCheckManager::RunComCmdInitPhone(&phone, &closed);
    CCheckManager::RunComCmdInitPhone(nullptr, &closed);
    CCheckManager::RunComCmdInitPhone(&phone, nullptr);
    expected.push_back("AT+INIT\r");

    expected.push_back("AT+END\r");
    EXPECT_EQ(HeardUpToSentinel(peer, expected.size() - 1), expected);
}

TEST_F(ExchangeLoop, FirstDecisiveVerdictEndsTheExchange)
{
    struct Case {
        std::vector<int> verdicts;
        bool result;
        size_t calls;
    } cases[] = {
        {{0}, true, 1},
        {{1}, false, 1},
        {{2, 2, 0}, true, 3},
        {{7, -1, 1}, false, 3}, // values other than 0 and 1 read on, like 2
    };
    ScriptedPeer peer([](const std::string&) { return std::vector<Piece>{{0, "\r\nOK\r\n"}}; });
    ASSERT_TRUE(peer.ok());
    CComPortBase com(peer.Path(), 115200);
    for (const Case& c : cases) {
        ScriptedPhone phone;
        phone.verdicts = c.verdicts;
        EXPECT_EQ(CCheckManager::RunComCmdQuerySMSC(&phone, &com), c.result);
        EXPECT_EQ(phone.calls.size(), c.calls);
    }
}

TEST_F(ExchangeLoop, JudgeSeesASplitAnswerFromItsFirstByte)
{
    const std::string answer = "\r\n+CSCA: \"+8613800100500\",145\r\n\r\nOK\r\n";
    ScriptedPeer peer([&](const std::string&) {
        return std::vector<Piece>{{0, answer.substr(0, 9)}, {100, answer.substr(9, 20)}, {100, answer.substr(29)}};
    });
    ASSERT_TRUE(peer.ok());
    CComPortBase com(peer.Path(), 9600);
    // Decided only once the whole answer is there.
    struct WholeOnly : ScriptedPhone {
        std::string whole;
        int OnGetQuerySmsCenterCmdRsp(std::string rsp) override
        {
            ScriptedPhone::OnGetQuerySmsCenterCmdRsp(rsp);
            return rsp == whole ? 0 : 2;
        }
    } judge;
    judge.whole = answer;
    EXPECT_TRUE(CCheckManager::RunComCmdQuerySMSC(&judge, &com));
    ASSERT_GE(judge.calls.size(), 3u);
    for (size_t i = 1; i < judge.calls.size(); i++) {
        const std::string& earlier = judge.calls[i - 1].answer;
        EXPECT_EQ(judge.calls[i].answer.compare(0, earlier.size(), earlier), 0) << "call " << i;
    }
    EXPECT_EQ(judge.calls.back().answer, answer);
}

TEST_F(ExchangeLoop, LateAnswerOpensTheNextExchangesAnswer)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ScriptedPeer peer([&](const std::string& unit) {
        if (unit == "at+csq\r") {
            released.wait();
            return std::vector<Piece>{{0, "\r\n+CSQ: 23,99\r\n\r\nOK\r\n"}};
        }
        return std::vector<Piece>{{0, "\r\nOK\r\n"}};
    });
    ASSERT_TRUE(peer.ok());
    CComPortBase com(peer.Path(), 9600);

    ScriptedPhone signal;
    signal.delegate = true;
    EXPECT_FALSE(CCheckManager::RunComCmdGetSignalStrength(&signal, &com));
    EXPECT_EQ(signal.calls.size(), 5u);
    release.set_value();
    ASSERT_TRUE(peer.WaitAnswered(1));

    ScriptedPhone at;
    at.delegate = true;
    EXPECT_TRUE(CCheckManager::RunComCmdAT(&at, &com));
    ASSERT_FALSE(at.calls.empty());
    EXPECT_EQ(at.calls.front().answer.rfind("\r\n+CSQ: 23,99\r\n\r\nOK\r\n", 0), 0u) << at.calls.front().answer;
}

TEST_F(ExchangeLoop, StartUpStopsAtARefusedCommand)
{
    struct Case {
        const char* name;
        std::vector<std::string> answers; // per start-up command; empty: silence
        std::vector<std::string> heard;
        size_t calls;
    } cases[] = {
        {"refused second", {"\r\nOK\r\n", "\r\n+CME ERROR: 10\r\n", "\r\nOK\r\n"}, {"AT+ONE\r", "AT+TWO\r"}, 2},
        {"refused first", {"\r\nERROR\r\n", "\r\nOK\r\n", "\r\nOK\r\n"}, {"AT+ONE\r"}, 1},
        {"silent first", {"", "\r\nOK\r\n", "\r\nOK\r\n"}, {"AT+ONE\r", "AT+TWO\r", "AT+THREE\r"}, 7},
        {"all accepted", {"\r\nOK\r\n", "\r\nOK\r\n", "\r\nOK\r\n"}, {"AT+ONE\r", "AT+TWO\r", "AT+THREE\r"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer([&](const std::string& unit) {
            const char* commands[] = {"AT+ONE\r", "AT+TWO\r", "AT+THREE\r"};
            for (size_t i = 0; i < 3; i++) {
                if (unit == commands[i] && !c.answers[i].empty()) {
                    return std::vector<Piece>{{0, c.answers[i]}};
                }
            }
            return std::vector<Piece>();
        });
        ASSERT_TRUE(peer.ok());
        ScriptedPhone phone;
        phone.delegate = true;
        {
            CComPortBase com(peer.Path(), 9600);
            CCheckManager::RunComCmdInitPhone(&phone, &com);
        }
        EXPECT_EQ(phone.calls.size(), c.calls);
        std::vector<std::string> expected = c.heard;
        expected.push_back("AT+END\r");
        EXPECT_EQ(HeardUpToSentinel(peer, c.heard.size()), expected);
    }
}

TEST_F(ExchangeLoop, DeleteAllWaitsAFifthOfASecondOverTwoUndecidedReads)
{
    ScriptedPeer peer([](const std::string&) { return std::vector<Piece>(); });
    ASSERT_TRUE(peer.ok());
    CComPortBase com(peer.Path(), 9600);
    ScriptedPhone phone;
    phone.verdicts = {2, 2, 0};
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(manager.RunComCmdDelAllSms(&phone, &com));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(phone.calls.size(), 3u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(200));
    ASSERT_TRUE(peer.WaitAnswered(1));
    EXPECT_EQ(peer.Heard().front(), AsHeard(CPhoneCardBase().GetDelAllSmsCmd()));
}

} // namespace
