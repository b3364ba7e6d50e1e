#include <gtest/gtest.h>

#include "PduSms.h"

namespace {

std::string Build(CStandardPdu& pdu, int* total = nullptr, int* tpdu = nullptr)
{
    char out[STANDARD_PDU_MAX_LENGTH];
    int totalLength = -1, tpduLength = -1;
    EXPECT_TRUE(pdu.SaveToUCS2Data(out, 0, totalLength, tpduLength));
    if (total) *total = totalLength;
    if (tpdu) *tpdu = tpduLength;
    return std::string(out, totalLength);
}

}  // namespace

TEST(CStandardPdu, BuildsASubmitWithEmptyText)
{
    CStandardPdu pdu;
    ASSERT_TRUE(pdu.InitSample("+8613812340000", "13912345678", "abc"));
    int total = 0, tpdu = 0;
    EXPECT_EQ(Build(pdu, &total, &tpdu), "0891683118320400F011000B813119325476F80008AA00\x1A");
    EXPECT_EQ(total, 47);
    EXPECT_EQ(tpdu, 28);

    ASSERT_TRUE(pdu.InitSample("8613812340000", "+8613912345678", ""));
    EXPECT_EQ(Build(pdu), "0881683118320400F011000D91683119325476F80008AA00\x1A");
}

TEST(CStandardPdu, InitSampleChecksEachTextInTurn)
{
    CStandardPdu pdu;
    ASSERT_TRUE(pdu.InitSample("+8613812340000", "13912345678", "x"));
    EXPECT_FALSE(pdu.InitSample(std::string(16, '1'), "1", "y"));
    EXPECT_EQ(Build(pdu).substr(0, 18), "0891683118320400F0");  // nothing copied
    EXPECT_FALSE(pdu.InitSample("123", std::string(32, '2'), "y"));
    EXPECT_EQ(Build(pdu).substr(0, 8), "038121F3");  // the service centre was copied
    EXPECT_FALSE(pdu.InitSample("123", "456", std::string(140, 'm')));
    EXPECT_TRUE(pdu.InitSample(std::string(15, '1'), std::string(31, '2'), std::string(139, 'm')));
}

// A shorter number after a longer one must not keep the longer one's tail.
TEST(CStandardPdu, ShorterSampleReplacesTheWholeNumber)
{
    CStandardPdu pdu;
    ASSERT_TRUE(pdu.InitSample("+8613812340000", "13912345678", ""));
    ASSERT_TRUE(pdu.InitSample("+86138", "139", ""));
    EXPECT_EQ(Build(pdu), "04916831F81100038131F90008AA00\x1A");
}

TEST(CStandardPdu, Helpers)
{
    char odd[] = "123";
    EXPECT_FALSE(CStandardPdu::SwapNextTwoValue(odd, 3));
    EXPECT_STREQ(odd, "123");
    char even[] = "1234";
    EXPECT_TRUE(CStandardPdu::SwapNextTwoValue(even, 4));
    EXPECT_STREQ(even, "2143");
    EXPECT_EQ(CStandardPdu::ValueToHex(16), '0');
    EXPECT_EQ(CStandardPdu::ValueToHex(-1), '0');
    EXPECT_EQ(CStandardPdu::ValueToHex(11), 'B');
    EXPECT_EQ(CStandardPdu::HexToValue('a'), -1);
    EXPECT_EQ(CStandardPdu::HexToValue('F'), 15);
    EXPECT_EQ(CStandardPdu::HexToValue('7'), 7);
    EXPECT_TRUE(CStandardPdu::IsSMSCInternal("+1"));
    EXPECT_FALSE(CStandardPdu::IsSMSCInternal(""));
    char buffer[8] = "ab";
    EXPECT_EQ(CStandardPdu::AppendData(buffer, 2, "cd", 2), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    CStandardPdu pdu;
    EXPECT_TRUE(pdu.CreateLongPduSmsFromData("1", "2", "text").empty());
    PDU_DATA data;
    EXPECT_EQ(data.userData[0], '\0');
    EXPECT_EQ(data.scDigits[15], '\0');
}
