// The dialogue prompts on given standard input: three tries, the exact texts, end of input.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "CCheckManager.h"

namespace {

const std::string kGreen = "\x1b[1m\x1b[32m";
const std::string kRed = "\x1b[1m\x1b[31m";
const std::string kReset = "\x1b[0m";

const std::string kNumberPrompt = "\n" + kGreen + "请输入接收短信的号码: " + kReset + "\n";
const std::string kNumberRejected = kRed + "您输入的号码有误，请重新输入" + kReset + "\n";
const std::string kPortPrompt = "\n" + kGreen + "请输入设备端口号(例:选择/dev/ttyUSB0,请输入USB0):" + kReset + "\n";
const std::string kPortRejected = kRed + "您输入的设备端口号有误，请重新输入" + kReset + "\n";
const std::string kGiveUp = kRed + "输入的错误次数过多，返回主界面" + kReset + "\n\n\n";

// Runs a call with `input` as standard input; returns what it wrote to standard output.
template <typename Call>
std::string Dialogue(const std::string& input, Call call)
{
    std::istringstream in(input);
    std::ostringstream out;
    std::streambuf* savedIn = std::cin.rdbuf(in.rdbuf());
    std::streambuf* savedOut = std::cout.rdbuf(out.rdbuf());
    call();
    std::cin.rdbuf(savedIn);
    std::cout.rdbuf(savedOut);
    std::cin.clear();
    return out.str();
}

Win32::CommInfo ModemRow(const std::string& port)
{
    Win32::CommInfo row;
    row.port = port;
    row.baud = "9600";
    row.atOk = row.portOk = true;
    row.ati = "Quectel_M35";
    row.number = "89860012345678901234";
    row.signal = "23,99";
    row.serial = "867584030000001";
    return row;
}

} // namespace

TEST(Prompts, NumberPromptRetriesThenAccepts)
{
    CCheckManager manager;
    std::vector<std::string> numbers = {"stale"};
    bool ok = false;
    const std::string out = Dialogue("1380\n13800138000,abc\n13800138000;+8613900139000\n",
                                     [&] { ok = manager.InputCheckSendPduSmsPhoneNumbers(numbers); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(numbers, (std::vector<std::string>{"13800138000", "+8613900139000"}));
    EXPECT_EQ(out, kNumberPrompt + kNumberRejected + kNumberPrompt + kNumberRejected + kNumberPrompt);
}

// At the end of input every line is empty: three rejections and the prompt gives up, no hang.
TEST(Prompts, NumberPromptGivesUpAtEndOfInput)
{
    CCheckManager manager;
    std::vector<std::string> numbers;
    bool ok = true;
    const std::string out = Dialogue("", [&] { ok = manager.InputCheckSendPduSmsPhoneNumbers(numbers); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(numbers.empty());
    EXPECT_EQ(out, kNumberPrompt + kNumberRejected + kNumberPrompt + kNumberRejected + kNumberPrompt +
                       kNumberRejected + kGiveUp);
}

TEST(Prompts, PortPromptsGiveUpAfterThreeUnknownIds)
{
    CCheckManager manager;
    manager.commInfoList = {ModemRow("/dev/ttyUSB0")};
    std::vector<ComPortBaseInfo_t> ports;
    const std::string expected = kPortPrompt + kPortRejected + kPortPrompt + kPortRejected + kPortPrompt +
                                 kPortRejected + kGiveUp;
    bool ok = true;
    EXPECT_EQ(Dialogue("usb0\nUSB9\n  \nUSB0\n", [&] { ok = manager.InputCheckSendPduSmsComPorts(ports); }), expected);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Dialogue("usb0\nUSB9\n  \nUSB0\n", [&] { ok = manager.InputReadAllSmsComPort(ports); }), expected);
    EXPECT_FALSE(ok);
}

// The empty line of the end of input picks every usable port.
TEST(Prompts, PortPromptTakesTheEmptyLine)
{
    CCheckManager manager;
    manager.commInfoList = {ModemRow("/dev/ttyUSB0"), ModemRow("/dev/ttyUSB1")};
    std::vector<ComPortBaseInfo_t> ports;
    bool ok = false;
    EXPECT_EQ(Dialogue("", [&] { ok = manager.InputReadAllSmsComPort(ports); }), kPortPrompt);
    EXPECT_TRUE(ok);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[1].port, "/dev/ttyUSB1");
    EXPECT_EQ(ports[1].type, 3);

    EXPECT_EQ(Dialogue("nope\nUSB1\n", [&] { ok = manager.InputCheckSendPduSmsComPorts(ports); }),
              kPortPrompt + kPortRejected + kPortPrompt);
    EXPECT_TRUE(ok);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].port, "/dev/ttyUSB1");
}

TEST(Prompts, MessagePromptKeepsTheLineOrGivesTheDefault)
{
    CCheckManager manager;
    const std::string prompt = "\n" + kGreen + "请输入短信内容:" + kReset + "\n";
    std::string text;
    EXPECT_EQ(Dialogue("  你好 \"world\" \n", [&] { manager.InputCheckSendPduSmsContext(text); }), prompt);
    EXPECT_EQ(text, "  你好 \"world\" ");
    EXPECT_EQ(Dialogue("", [&] { manager.InputCheckSendPduSmsContext(text); }), prompt);
    EXPECT_EQ(text, " 北京Norvelt短信为您服务 ");
}

// A dialogue whose prompt gives up starts no job and prints no duration.
TEST(Prompts, DialoguesStopAtAGivenUpPrompt)
{
    CCheckManager manager;
    manager.commInfoList = {ModemRow("/dev/ttyUSB0")};
    std::string out = Dialogue("13800138000\nx\ny\nz\n", [&] { manager.OnSendPDUSms(); });
    EXPECT_EQ(out, kNumberPrompt + kPortPrompt + kPortRejected + kPortPrompt + kPortRejected + kPortPrompt +
                       kPortRejected + kGiveUp);
    out = Dialogue("", [&] { manager.OnSendPDUSms(); });
    EXPECT_EQ(out.find("发送短信耗时"), std::string::npos);
    EXPECT_NE(out.find(kGiveUp), std::string::npos);
}
