// Port selection, number splitting and the texts the dialogues and the command line share.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCheckManager.h"
#include "TableRow.h"

namespace {

// A scan as it comes sorted: two serial lines with nothing on them, then the USB modems.
std::vector<Win32::CommInfo> ScannedRows()
{
    return {
        Row("/dev/ttyS0", false, "", "", "", "", "115200"),
        Row("/dev/ttyS1", false, "", "", "", "", "115200"),
        Row("/dev/ttyUSB0", true, "\r\nQuectel_M35\r\nOK\r\n", "89860012345678901234", "23,99", "867584030000001"),
        Row("/dev/ttyUSB1", true, "\r\nKG520\r\nOK\r\n", "", "", "867584030000002", "115200"),
        Row("/dev/ttyUSB10", true, "\r\nKH900\r\nOK\r\n", "89860000000000000010", "18,0", "867584030000010"),
    };
}

// What a test looks at in a chosen port: "port|baud|type|known".
std::vector<std::string> Summary(const std::vector<ComPortBaseInfo_t>& ports)
{
    std::vector<std::string> lines;
    for (const ComPortBaseInfo_t& p : ports) {
        lines.push_back(p.port + "|" + std::to_string(p.baud) + "|" + std::to_string(p.type) + "|" +
                        (p.knownPort ? "known" : "unlisted"));
    }
    return lines;
}

struct Selection {
    std::string text;
    bool accepted;
    std::vector<std::string> ports;
};

} // namespace

TEST(PortSelection, TypedIdsPickRowsAndUnlistedPorts)
{
    const std::vector<Selection> cases = {
        {"USB0", true, {"/dev/ttyUSB0|9600|3|known"}},
        {"S1", true, {"/dev/ttyS1|115200|1|known"}},
        {"USB10;USB1", true, {"/dev/ttyUSB10|9600|8|known", "/dev/ttyUSB1|115200|5|known"}},
        // Ids are the path after "tty", compared case-sensitively.
        {"usb0", false, {"/dev/ttyusb0|115200|1|unlisted"}},
        {"ttyUSB0", false, {"/dev/ttyttyUSB0|115200|1|unlisted"}},
        // The empty piece between comma and blank is a port too.
        {"USB0, USB1", true, {"/dev/ttyUSB0|9600|3|known", "/dev/tty|115200|1|unlisted", "/dev/ttyUSB1|115200|5|known"}},
        {"USB0,USB9", true, {"/dev/ttyUSB0|9600|3|known", "/dev/ttyUSB9|115200|1|unlisted"}},
        {"USB0 USB0", true, {"/dev/ttyUSB0|9600|3|known", "/dev/ttyUSB0|9600|3|known"}},
        {"USB0,", true, {"/dev/ttyUSB0|9600|3|known"}},
        {"   ", false, {"/dev/tty|115200|1|unlisted", "/dev/tty|115200|1|unlisted", "/dev/tty|115200|1|unlisted"}},
        {"USB", false, {"/dev/ttyUSB|115200|1|unlisted"}},
    };
    CCheckManager manager;
    manager.commInfoList = ScannedRows();
    for (const Selection& c : cases) {
        std::vector<ComPortBaseInfo_t> ports = {ComPortBaseInfo_t()}; // emptied first
        EXPECT_EQ(manager.InputToSendPduSmsComPort(c.text, ports), c.accepted) << c.text;
        EXPECT_EQ(Summary(ports), c.ports) << c.text;
    }
}

TEST(PortSelection, RecordCarriesTheRowsTexts)
{
    CCheckManager manager;
    manager.commInfoList = ScannedRows();
    std::vector<ComPortBaseInfo_t> ports;
    ASSERT_TRUE(manager.InputToSendPduSmsComPort("USB0,USB7", ports));
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_TRUE(ports[0].atOk);
    EXPECT_EQ(ports[0].number, "89860012345678901234");
    EXPECT_EQ(ports[0].signal, "23,99");
    EXPECT_EQ(ports[0].serial, "867584030000001");
    EXPECT_FALSE(ports[1].atOk);
    EXPECT_TRUE(ports[1].number.empty() && ports[1].signal.empty() && ports[1].serial.empty());
}

TEST(PortSelection, EmptyTextPicksTheBestIdentifiedGroup)
{
    CCheckManager manager;
    std::vector<ComPortBaseInfo_t> ports;

    manager.commInfoList = ScannedRows();
    EXPECT_TRUE(manager.InputToSendPduSmsComPort("", ports));
    EXPECT_EQ(Summary(ports), (std::vector<std::string>{"/dev/ttyUSB0|9600|3|known", "/dev/ttyUSB10|9600|8|known"}));

    // No complete row: every row with AT.
    manager.commInfoList[2].signal.clear();
    manager.commInfoList[4].number.clear();
    EXPECT_TRUE(manager.InputToSendPduSmsComPort("", ports));
    EXPECT_EQ(Summary(ports), (std::vector<std::string>{"/dev/ttyUSB0|9600|3|known", "/dev/ttyUSB1|115200|5|known",
                                                        "/dev/ttyUSB10|9600|8|known"}));

    // No row with AT: every row, none given a driver even if its answer would match one.
    for (Win32::CommInfo& row : manager.commInfoList) {
        row.atOk = false;
    }
    EXPECT_TRUE(manager.InputToSendPduSmsComPort("", ports));
    EXPECT_EQ(Summary(ports), (std::vector<std::string>{"/dev/ttyS0|115200|1|known", "/dev/ttyS1|115200|1|known",
                                                        "/dev/ttyUSB0|9600|1|known", "/dev/ttyUSB1|115200|1|known",
                                                        "/dev/ttyUSB10|9600|1|known"}));

    manager.commInfoList.clear();
    EXPECT_TRUE(manager.InputToSendPduSmsComPort("", ports));
    EXPECT_TRUE(ports.empty());
}

// An answer two drivers would take goes to the earlier one, as in the scan.
TEST(PortSelection, TypeFollowsTheScansMatchOrder)
{
    CCheckManager manager;
    manager.commInfoList = {Row("/dev/ttyUSB0", true, "KH900 KG520 M35"), Row("/dev/ttyUSB1", true, "KH900 KG520"),
                            Row("/dev/ttyUSB2", true, "unknown modem\r\nOK\r\n")};
    std::vector<ComPortBaseInfo_t> ports;
    ASSERT_TRUE(manager.InputToSendPduSmsComPort("USB0 USB1 USB2", ports));
    EXPECT_EQ(Summary(ports), (std::vector<std::string>{"/dev/ttyUSB0|9600|3|known", "/dev/ttyUSB1|9600|5|known",
                                                        "/dev/ttyUSB2|9600|1|known"}));
}

TEST(PortId, IsThePathAfterTty)
{
    EXPECT_EQ(GetPortId("/dev/ttyUSB0"), "USB0");
    EXPECT_EQ(GetPortId("/dev/ttyS1"), "S1");
    EXPECT_EQ(GetPortId("/dev/tty"), "");
    // Only paths from the scan get here; one without "tty" stays whole, so no empty id matches it.
    EXPECT_EQ(GetPortId("/dev/rfcomm0"), "/dev/rfcomm0");
}

TEST(NumberSplitting, SplitsAtCommasSemicolonsAndBlanks)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"13800138000;13900139000 13800138000", {"13800138000", "13900139000", "13800138000"}},
        {"13800138000,,13900139000", {"13800138000", "13900139000"}},
        {" 13800138000 ", {"13800138000"}},
        {"+8613800138000", {"+8613800138000"}},
        {"10086", {"10086"}},
        {"+1234", {"+1234"}},
        {std::string(29, '1'), {std::string(29, '1')}},
        {"+" + std::string(28, '9'), {"+" + std::string(28, '9')}},
        // One bad piece throws away the whole list.
        {"13800138000,1380", {}},
        {"13800138000 " + std::string(30, '1'), {}},
        {"138-0013-8000", {}},
        {"13800138000;86+13800138000", {}},
        {"+123", {}},
        {"13800138000\t", {}},
        {"１３８００１３８０００", {}}, // full-width digits are not digits
        {"", {}},
        {" ,; ", {}},
    };
    CCheckManager manager;
    for (const auto& c : cases) {
        EXPECT_EQ(manager.SplitUserPhoneNumber(c.first), c.second) << c.first;
    }
}

TEST(NumberSplitting, DigitOnlyPortLists)
{
    CCheckManager manager;
    EXPECT_EQ(manager.SplitComPorts("0,1 2;;3"), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_TRUE(manager.SplitComPorts("0,USB1").empty());
    EXPECT_TRUE(manager.SplitComPorts("").empty());
    EXPECT_FALSE(IsDigitString(""));
    EXPECT_FALSE(IsDigitString("+1"));
    EXPECT_TRUE(IsDigitString("0123456789"));
}

TEST(MessageText, EmptyTextBecomesTheDefault)
{
    CCheckManager manager;
    std::string text;
    EXPECT_TRUE(manager.InputToSendPduSmsContext(text));
    EXPECT_EQ(text, " 北京Norvelt短信为您服务 ");
    text = "  ";
    EXPECT_TRUE(manager.InputToSendPduSmsContext(text));
    EXPECT_EQ(text, "  ");
}

// Only a text wrapped as a whole loses its quotes; the quotes a user escaped inside stay.
TEST(MessageText, QuoteRemovalStripsOnlyWrappingQuotes)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\"hello\"", "hello"},
        {"\"abcd\"", "abcd"},
        {"\"ab\"", "\"ab\""},
        {"\"abc\"", "\"abc\""},
        {"say \"hi\" to all", "say \"hi\" to all"},
        {"\"a \"quoted\" word\"", "a \"quoted\" word"},
        {"\"unclosed text", "\"unclosed text"},
        {"unopened text\"", "unopened text\""},
        {"\"\"\"\"\"\"", "\"\"\"\""},
        {"plain text", "plain text"},
        {"", ""},
    };
    CCheckManager manager;
    for (const auto& c : cases) {
        EXPECT_EQ(manager.RemoveDoubleQuotationMarksOfStringBothSide(c.first), c.second) << c.first;
    }
}
