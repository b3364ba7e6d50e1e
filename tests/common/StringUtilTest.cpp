#include <gtest/gtest.h>

#include <regex>

#include "Define.h"
#include "StringUtil.h"

using Lines = std::vector<std::string>;

TEST(SplitStringToArray, KeepsOnlyCompleteNonEmptyLines)
{
    const struct {
        std::string text;
        Lines lines;
    } cases[] = {
        {"\r\nOK\r\n", {"\r", "OK\r"}},
        {"\n\n", {}},
        {"OK", {}},
        {"OK\r\n+CMGL: 1", {"OK\r"}},
        {"\r\n\r\n", {"\r", "\r"}},
        {"", {}},
        {"a\nb\n\nc", {"a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitStringToArray(c.text), c.lines) << testing::PrintToString(c.text);
    }
}

TEST(SplitStringByChar, KeepsEmptyFieldsButNoneAfterTheLastSeparator)
{
    const struct {
        std::string text;
        Lines fields;
    } cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a,b,", {"a", "b"}},
        {",a", {"", "a"}},
        {"a,,b", {"a", "", "b"}},
        {",", {""}},
        {"abc", {"abc"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitStringByChar(c.text, ','), c.fields) << c.text;
    }
}

TEST(StringReplaceChar, ReplacesEveryCopyBytewise)
{
    EXPECT_EQ(StringReplaceChar("a;b;c", ';', ','), "a,b,c");
    // Bytes of a UTF-8 character are never touched by an ASCII replacement.
    EXPECT_EQ(StringReplaceChar("短;信", ';', ' '), "短 信");
}

TEST(TrimChar, RemovesAtMostOneCopyFromEachEnd)
{
    const struct {
        std::string text;
        char c;
        std::string result;
    } cases[] = {
        {"\"word\"", '"', "word"},
        {"aaa", 'a', "a"},
        {"aa", 'a', "aa"},
        {"a", 'a', "a"},
        {"\r\nOK\r\n", '\r', "\nOK\r\n"},
        {"xOKx", 'x', "OK"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimChar(c.text, c.c), c.result) << testing::PrintToString(c.text);
    }
}

TEST(TrimAllChar, RemovesRunsWithinItsLimits)
{
    EXPECT_EQ(TrimAllChar("OK\r\r\r", '\r'), "OK");
    EXPECT_EQ(TrimAllChar("5\r", '\r'), "5\r");
    EXPECT_EQ(TrimAllChar("  +8613800138000  ", ' '), "+8613800138000");
    // Texts of 2 bytes or fewer are never trimmed, so a run of the character shrinks to 1 or 2.
    for (size_t n : {1u, 2u, 3u, 4u, 203u, 204u}) {
        EXPECT_EQ(TrimAllChar(std::string(n, ' '), ' ').size(), n <= 2 ? n : (n % 2 ? 1u : 2u)) << n;
    }
    // 101 applications at most.
    EXPECT_EQ(TrimAllChar(std::string(150, ' ') + "x", ' '), std::string(49, ' ') + "x");
    EXPECT_EQ(TrimAllChar(std::string(101, ' ') + "xy", ' '), "xy");
}

TEST(GetCurTimeStr, IsTheLocalTimeStamp)
{
    const std::string stamp = GetCurTimeStr();
    EXPECT_TRUE(std::regex_match(stamp, std::regex("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}"))) << stamp;
}

TEST(EnumTexts, AreTheFixedTablesWithTheirDefaults)
{
    const struct {
        int value;
        const char* type;
        const char* english;
        const char* chinese;
    } cases[] = {
        {-1, "TYPE_UNKNOWN", "Unknown reason", "设备不AT"},
        {0, "PHONE_TYPE_UN_KNOWN", "Succeed", "成功"},
        {1, "TYPE_UNKNOWN", "Failed Unknown Reason", "设备不AT"},
        {2, "K7040_NC5", "Device Not AT", "设备不AT"},
        {3, "KL48-FT-ON", "Not Norvelt Device", "不是Norvelt短信设备"},
        {4, "K7040_ME", "No SIM CARD In Device", "设备未插卡"},
        {5, "KG520_ON", "No Signal", "设备无信号"},
        {6, "K3350B_FT_ON", "No Such Port", "没有此端口"},
        {7, "KC640_ON", "Not Norvelt Sms Device", "不是Norvelt短信设备"},
        {8, "TYPE_UNKNOWN", "Unknown reason", "设备不AT"},
        {9, "TYPE_UNKNOWN", "Unknown reason", "设备不AT"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PhoneTypeToString(static_cast<PHONE_TYPE_t>(c.value)), c.type) << c.value;
        EXPECT_EQ(GetSmsCodeEnglishStr(static_cast<SMS_CODE_ENUM>(c.value)), c.english) << c.value;
        EXPECT_EQ(GetSmsCodeChineseStr(static_cast<SMS_CODE_ENUM>(c.value)), c.chinese) << c.value;
    }
}
