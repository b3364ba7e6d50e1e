// The device table drawn from given rows: field widths count bytes, placeholders for missing texts.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "CaptureStdout.h"
#include "TableRow.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Blanks(std::size_t n)
{
    return std::string(n, ' ');
}

// "YYYY-MM-DD hh:mm:ss"
bool IsTimeText(const std::string& text)
{
    const std::string form = "dddd-dd-dd dd:dd:dd";
    if (text.size() != form.size()) {
        return false;
    }
    for (std::size_t i = 0; i < form.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (form[i] == 'd' ? !digit : text[i] != form[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(DeviceTable, LayoutCountsBytes)
{
    CCheckManager manager;
    manager.commInfoList = {Row("/dev/ttyS0", false, "", "", "", "", "115200"),
                            Row("/dev/ttyUSB0", true, "", "861380013800", "23,99", "867584030000001")};
    manager.scanTimeText = "设备检测耗时: 1 秒";
    const std::vector<std::string> lines = Lines(CaptureStdout([&] { manager.PrintDeviceTable(); }));

    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    // 31 bytes of title right-aligned in 45, a blank, the local time.
    const std::string title = Blanks(14) + "Norvelt短信设备检测 V1.9  ";
    ASSERT_EQ(lines[2].compare(0, title.size(), title), 0) << lines[2];
    EXPECT_TRUE(IsTimeText(lines[2].substr(title.size()))) << lines[2];
    EXPECT_EQ(lines[3], std::string(90, '='));
    EXPECT_EQ(lines[4], "端口号" + Blanks(4) + "波特率" + Blanks(4) + "AT标识" + Blanks(10) + "SMS卡号" + Blanks(16) +
                            "信号强度" + Blanks(3) + "设备序列号");
    EXPECT_EQ(lines[5], std::string(90, '-'));
    EXPECT_EQ(lines[6], "ttyS0" + Blanks(5) + "115200" + Blanks(4) + "端口不可用" + Blanks(7) + "未读卡" + Blanks(17) +
                            "无信号" + Blanks(6) + "无效序列号");
    EXPECT_EQ(lines[7], std::string(90, '-'));
    // A 12-digit SIM number is followed by 11 blanks.
    EXPECT_EQ(lines[8], "ttyUSB0" + Blanks(3) + "9600" + Blanks(6) + "OK" + Blanks(14) + "861380013800" + Blanks(11) +
                            "23,99" + Blanks(7) + "867584030000001");
    EXPECT_EQ(lines[9], std::string(90, '='));
    EXPECT_EQ(lines[10], "");
    EXPECT_EQ(lines[11], "\t设备检测耗时: 1 秒");
}

// A text longer than its field is printed whole and pushes the rest of the line right.
TEST(DeviceTable, OverlongTextsPushTheLine)
{
    CCheckManager manager;
    const std::string number(30, '8');
    manager.commInfoList = {Row("/dev/ttyUSB123456", true, "", number, "31,0", "S", "115200")};
    const std::vector<std::string> lines = Lines(CaptureStdout([&] { manager.PrintDeviceTable(); }));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[6], "ttyUSB123456115200" + Blanks(4) + "OK" + Blanks(14) + number + "31,0" + Blanks(8) + "S");
}

TEST(DeviceTable, QuotesAndBlanksAreTrimmedAndKept)
{
    CCheckManager manager;
    manager.commInfoList = {Row("/dev/ttyUSB0", true, "", "\" \"89860012345678901234\" \"", "\" 23,99\"",
                                "\"867584030000001\" "),
                            Row("/dev/ttyUSB1", true, "", "\"\"")};
    const std::vector<std::string> lines = Lines(CaptureStdout([&] { manager.PrintDeviceTable(); }));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[6], "ttyUSB0" + Blanks(3) + "9600" + Blanks(6) + "OK" + Blanks(14) + "89860012345678901234" +
                            Blanks(3) + "23,99" + Blanks(7) + "867584030000001");
    EXPECT_EQ(manager.commInfoList[0].number, "89860012345678901234");
    EXPECT_EQ(manager.commInfoList[0].signal, "23,99");
    EXPECT_EQ(manager.commInfoList[0].serial, "867584030000001");
    // Two bytes are too short to trim: the quotes stay and count as a number.
    EXPECT_EQ(manager.commInfoList[1].number, "\"\"");
}

TEST(DeviceTable, NoRowsStillDrawsTheFrame)
{
    CCheckManager manager;
    manager.scanTimeText = "设备检测耗时: 3 秒";
    const std::vector<std::string> lines = Lines(CaptureStdout([&] { manager.PrintDeviceTable(); }));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5], std::string(90, '='));
    EXPECT_EQ(lines[7], "\t设备检测耗时: 3 秒");
}
