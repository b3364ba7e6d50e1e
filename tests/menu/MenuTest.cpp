// The interactive menu end to end: Zavrix on a terminal of ours with simulated modems in a private
// /dev; the test types keys and lines when the tool waits for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../read/StoredSms.h"
#include "MenuSession.h"
#include "SimFleet.h"

namespace {

const std::string kGreen = "\x1b[1m\x1b[32m";
const std::string kRed = "\x1b[1m\x1b[31m";
const std::string kReset = "\x1b[0m";

const std::string kNumberPrompt = "请输入接收短信的号码: ";
const std::string kPortPrompt = "请输入设备端口号(例:选择/dev/ttyUSB0,请输入USB0):";
const std::string kGiveUp = "输入的错误次数过多，返回主界面";

// The prompt, the line as the terminal echoes it, and the red rejection.
std::string Rejected(const std::string& prompt, const std::string& line, const std::string& rejection)
{
    return "\n" + kGreen + prompt + kReset + line + "\n\n" + kRed + rejection + kReset + "\n";
}

std::string NumberRejected(const std::string& line)
{
    return Rejected(kNumberPrompt, line, "您输入的号码有误，请重新输入");
}

std::string PortRejected(const std::string& line)
{
    return Rejected(kPortPrompt, line, "您输入的设备端口号有误，请重新输入");
}

const std::string kGaveUp = kRed + kGiveUp + kReset + "\n\n\n";

std::string Blanks(size_t n)
{
    return std::string(n, ' ');
}

size_t HeardCount(const simmodem::Modem& modem, const std::string& prefix)
{
    const std::vector<std::string> heard = modem.Heard();
    return static_cast<size_t>(std::count_if(heard.begin(), heard.end(), [&](const std::string& unit) {
        return unit.compare(0, prefix.size(), prefix) == 0;
    }));
}

// Answers the prompt's first appearances in the session with the lines, each once it is out, so
// that the echo falls where a user's typing would.
void Answer(MenuSession& session, const std::string& prompt, const std::vector<std::string>& lines)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(session.WaitForText(prompt, i + 1)) << session.Output();
        session.Type(lines[i] + "\r");
    }
}

// The output from the end of the n-th menu line on.
std::string AfterMenu(MenuSession& session, size_t n)
{
    const std::string out = session.Output();
    const std::string menu = std::string(MenuSession::kMenuLine) + "\n";
    size_t end = 0;
    for (size_t i = 0; i < n && end != std::string::npos; ++i) {
        const size_t at = out.find(menu, end);
        end = at == std::string::npos ? at : at + menu.size();
    }
    return end == std::string::npos ? std::string() : out.substr(end);
}

void Quit(MenuSession& session, size_t menu)
{
    ASSERT_TRUE(session.WaitForMenu(menu)) << session.Output();
    session.Type("q");
    EXPECT_EQ(session.WaitForExit(), 0);
    EXPECT_TRUE(session.ModeRestored());
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
        session.reset(new MenuSession(fleet.Links()));
        ASSERT_TRUE(session->Started());
        ASSERT_TRUE(session->WaitForMenu(1)) << session->Output();
    }

    SimFleet fleet;
    std::unique_ptr<MenuSession> session;
};

} // namespace

// Rows in byte order of the paths, values and placeholders in their byte-counted fields.
TEST(Menu, TableShowsEveryPortAndQuitRestoresTheTerminal)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    simmodem::ModemConfig cdma = simmodem::ModemConfig::ForType(PHONE_TYPE_KC640_ON);
    cdma.rates = {115200};
    cdma.rssi = 9;
    ASSERT_TRUE(fleet.Add(10, cdma));
    simmodem::ModemConfig noSim = simmodem::ModemConfig::ForType(PHONE_TYPE_KG520_ON);
    noSim.sim = false;
    ASSERT_TRUE(fleet.Add(2, noSim));

    MenuSession session(fleet.Links());
    ASSERT_TRUE(session.Started());
    Quit(session, 1);
    const std::string out = session.Output();
    EXPECT_EQ(session.Count(MenuSession::kMenuLine), 1u);
    const std::string rule = std::string(90, '-') + "\n";
    const std::string unusable = "端口不可用" + Blanks(7) + "未读卡" + Blanks(17) + "无信号" + Blanks(6) + "无效序列号\n";
    const std::string rows =
        rule + "ttyS0" + Blanks(5) + "115200" + Blanks(4) + unusable +
        rule + "ttyS1" + Blanks(5) + "115200" + Blanks(4) + unusable +
        rule + "ttyUSB0" + Blanks(3) + "9600" + Blanks(6) + "OK" + Blanks(14) + "89860012345678901234" + Blanks(3) +
            "23,99" + Blanks(7) + "867584030000003\n" +
        rule + "ttyUSB10" + Blanks(2) + "115200" + Blanks(4) + "OK" + Blanks(14) + "89860012345678901234" +
            Blanks(3) + "9,99" + Blanks(8) + "80A1B2C7\n" +
        rule + "ttyUSB2" + Blanks(3) + "9600" + Blanks(6) + "OK" + Blanks(14) + "未读卡" + Blanks(17) + "无信号" +
            Blanks(6) + "867584030000005\n" +
        std::string(90, '=') + "\n\n\t设备检测耗时: ";
    EXPECT_NE(out.find(rows), std::string::npos) << out;
    EXPECT_NE(out.find(" 秒\n" + std::string(MenuSession::kMenuLine) + "\n"), std::string::npos) << out;
    // q ends the loop without another scan.
    EXPECT_EQ(HeardCount(fleet[0], "ATI"), 1u);
}

TEST_F(MenuTest, EnterScansTwiceBeforeTheTableComesBack)
{
    session->Type("\r");
    ASSERT_TRUE(session->WaitForMenu(2)) << session->Output();
    EXPECT_EQ(HeardCount(fleet[0], "ATI"), 3u);
    EXPECT_EQ(session->Count("设备检测耗时: "), 2u);
    Quit(*session, 2);
}

// The key after an unknown one is swallowed: this q does not quit.
TEST_F(MenuTest, UnknownKeySwallowsTheNext)
{
    session->Type("x");
    session->Type("q");
    ASSERT_TRUE(session->WaitForMenu(2)) << session->Output();
    EXPECT_EQ(HeardCount(fleet[0], "ATI"), 2u);
    Quit(*session, 2);
}

TEST_F(MenuTest, SendDialogueGivesUpOnTheThirdBadNumberLine)
{
    session->Type("1");
    Answer(*session, kNumberPrompt, {"1380", "13800138000," + std::string(30, '1'), "138-0013-8000"});
    ASSERT_TRUE(session->WaitForText(kGiveUp));
    const std::string dialogue = NumberRejected("1380") + NumberRejected("13800138000," + std::string(30, '1')) +
                                 NumberRejected("138-0013-8000") + kGaveUp;
    EXPECT_EQ(AfterMenu(*session, 1).compare(0, dialogue.size(), dialogue), 0) << AfterMenu(*session, 1);
    Quit(*session, 2);
    EXPECT_EQ(HeardCount(fleet[0], "AT+CMGS"), 0u);
    EXPECT_EQ(session->Count("发送短信耗时"), 0u);
}

TEST_F(MenuTest, SendDialogueGivesUpOnTheThirdBadPortLine)
{
    session->Type("1");
    Answer(*session, kNumberPrompt, {"13800138000"});
    Answer(*session, kPortPrompt, {"usb0", "ttyUSB0", "   "});
    ASSERT_TRUE(session->WaitForText(kGiveUp));
    const std::string dialogue = "\n" + kGreen + kNumberPrompt + kReset + "13800138000\n\n" + PortRejected("usb0") +
                                 PortRejected("ttyUSB0") + PortRejected("   ") + kGaveUp;
    EXPECT_EQ(AfterMenu(*session, 1).compare(0, dialogue.size(), dialogue), 0) << AfterMenu(*session, 1);
    Quit(*session, 2);
    EXPECT_EQ(HeardCount(fleet[0], "AT+CMGS"), 0u);
}

// Numbers, ports and an empty message line (the default text) reach the send job, which is timed.
TEST_F(MenuTest, SendDialogueRunsTheJobAndTimesIt)
{
    session->Type("1");
    Answer(*session, kNumberPrompt, {"13800138000"});
    Answer(*session, kPortPrompt, {"USB0"});
    Answer(*session, "请输入短信内容:", {""});
    ASSERT_TRUE(session->WaitForText("发送短信耗时: ")) << session->Output();
    Quit(*session, 2);
    EXPECT_EQ(session->Count(kGiveUp), 0u);
    EXPECT_EQ(HeardCount(fleet[0], "AT+CMGS"), 1u);
    // UCS-2 of the default text's " 北京".
    bool defaultText = false;
    for (const simmodem::TranscriptEntry& entry : fleet[0].Transcript()) {
        defaultText = defaultText || (entry.body && entry.text.find("002053174EAC") != std::string::npos);
    }
    EXPECT_TRUE(defaultText);
}

TEST_F(MenuTest, ReadDialogueGivesUpOnTheThirdBadPortLine)
{
    session->Type("2");
    Answer(*session, kPortPrompt, {"USB9", "S", "USB0USB1"});
    ASSERT_TRUE(session->WaitForText(kGiveUp));
    const std::string dialogue = PortRejected("USB9") + PortRejected("S") + PortRejected("USB0USB1") + kGaveUp;
    EXPECT_EQ(AfterMenu(*session, 1).compare(0, dialogue.size(), dialogue), 0) << AfterMenu(*session, 1);
    Quit(*session, 2);
    EXPECT_EQ(session->Count("读取短信耗时"), 0u);
}

TEST_F(MenuTest, ReadDialogueTimesTheJob)
{
    session->Type("2");
    Answer(*session, kPortPrompt, {""});
    ASSERT_TRUE(session->WaitForText("读取短信耗时: ")) << session->Output();
    Quit(*session, 2);
    EXPECT_NE(session->Output().find(" 秒\n"), std::string::npos);
}

// A modem without SIM card is still read: its own storage holds messages too.
TEST(Menu, ReadDialogueShowsTheDeviceMessagesOfAModemWithoutSimCard)
{
    SimFleet fleet;
    simmodem::ModemConfig noSim = simmodem::ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    noSim.sim = false;
    noSim.pdus = {storedsms::Stored("ME", 0, storedsms::Deliver("8613912345678", "无卡也能读"))};
    ASSERT_TRUE(fleet.Add(0, noSim));
    MenuSession session(fleet.Links());
    ASSERT_TRUE(session.WaitForMenu(1)) << session.Output();

    session.Type("2");
    Answer(session, kPortPrompt, {"USB0"});
    ASSERT_TRUE(session.WaitForText("读取短信耗时: ")) << session.Output();
    const std::string rule = std::string(50, '-') + "\n";
    const std::string report = kGreen + "端口 ttyUSB0 接收短信成功 共 1 条短信" + kReset + "\n" + kGreen +
                               "设备中的短信共 " + kReset + "1 条\n" + rule + " 第 1 条短信\n发送号码: 8613912345678\n" +
                               "发送时间: " + storedsms::SHOWN_TIME + "\n短信内容: 无卡也能读\n" + rule + "读取短信耗时: ";
    EXPECT_NE(session.Output().find(report), std::string::npos) << session.Output();
    Quit(session, 2);
}

// Key d asks for ports and runs no job on them.
TEST_F(MenuTest, KeyDOnlyAsksForPorts)
{
    session->Type("d");
    Answer(*session, kPortPrompt, {"USB9", "USB0"});
    ASSERT_TRUE(session->WaitForMenu(2)) << session->Output();
    const std::string dialogue = PortRejected("USB9") + "\n" + kGreen + kPortPrompt + kReset + "USB0\n\n";
    EXPECT_EQ(AfterMenu(*session, 1).compare(0, dialogue.size(), dialogue), 0) << AfterMenu(*session, 1);
    Quit(*session, 2);
    EXPECT_EQ(HeardCount(fleet[0], "AT+CMGD"), 0u);
    EXPECT_EQ(HeardCount(fleet[0], "AT+CMGL"), 0u);
}

// Ctrl-D at a prompt ends the input: the prompt gives up by itself and the menu ends like q.
TEST_F(MenuTest, EndOfInputEndsTheDialogueAndTheMenu)
{
    session->Type("1");
    ASSERT_TRUE(session->WaitForText(kNumberPrompt));
    session->Type("\x04");
    EXPECT_EQ(session->WaitForExit(), 0) << session->Output();
    EXPECT_TRUE(session->ModeRestored());
    EXPECT_EQ(session->Count(kGiveUp), 1u);
    EXPECT_EQ(session->Count(kNumberPrompt), 3u);
    EXPECT_EQ(session->Count(MenuSession::kMenuLine), 2u);
}

// A signal that ends the tool while it waits for a key in raw mode leaves the terminal as it was.
TEST(Menu, SignalDuringTheKeyWaitRestoresTheTerminal)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    for (int sig : {SIGTERM, SIGHUP}) {
        MenuSession session(fleet.Links());
        ASSERT_TRUE(session.WaitForMenu(1)) << session.Output();
        ASSERT_TRUE(session.SignalTool(sig));
        EXPECT_EQ(session.WaitForExit(), 128 + sig) << "the runner reports the tool's death by the signal";
        EXPECT_TRUE(session.ModeRestored()) << strsignal(sig);
    }
}

// Without a terminal no key can come: one table, then the menu ends instead of rescanning.
TEST(Menu, InputThatIsNoTerminalEndsTheMenu)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    for (const std::string& input : {std::string(), std::string("1\n13800138000\nUSB0\n\n")}) {
        SimFleet::Options options;
        options.input = input;
        options.timeout = std::chrono::milliseconds(20000);
        const simmodem::RunResult run = fleet.RunZavrix({}, options);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("ttyUSB0   9600      OK"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string(MenuSession::kMenuLine) + "\n"), std::string::npos);
        EXPECT_EQ(run.out.find(MenuSession::kMenuLine), run.out.rfind(MenuSession::kMenuLine));
        EXPECT_EQ(run.out.find(kNumberPrompt), std::string::npos);
    }
    EXPECT_EQ(HeardCount(fleet[0], "ATI"), 2u);
}
