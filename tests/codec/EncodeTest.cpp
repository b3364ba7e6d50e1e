#include <gtest/gtest.h>

#include "CodecTestUtil.h"

namespace {

SM_PARAM SinglePart(const std::string& sca, const std::string& tpa, bool national, const std::string& text)
{
    SM_PARAM record = ClearedRecord();
    SET_FIELD(record, SCA, sca);
    SET_FIELD(record, TPA, tpa);
    SET_FIELD(record, TP_UD, text);
    record.nationalNumber = national;
    record.TP_DCS = GSM_UCS2;
    return record;
}

std::vector<std::string> LongParts(const std::string& sca, const std::string& tpa, bool national,
                                   const std::string& text, unsigned char dcs = GSM_UCS2)
{
    SM_PARAM record = ClearedRecord();
    SET_FIELD(record, SCA, sca);
    SET_FIELD(record, TPA, tpa);
    record.nationalNumber = national;
    record.TP_DCS = dcs;
    record.longText = text.c_str();
    std::vector<std::string> parts;
    gsmLongSmsPdu(record, parts, true);
    return parts;
}

// Header of a concatenated part with the service centre 13800000000 and destination 13912345678.
const char LONG_HEADER[] = "07913108000000F051000B913119325476F80008A7";

int Octet(const std::string& hex, size_t pos)
{
    return BytesOf(hex.substr(pos, 2))[0];
}

}  // namespace

TEST(CodecEncode, SinglePartPdusAndLengthCommands)
{
    const std::string tpdu = "11000B813119325476F80008AA06006100620063";
    struct Case {
        std::string sca, tpa;
        bool national;
        std::string text;
        std::string pdu, command;
    } cases[] = {
        // the worked example
        {"+8613812340000", "13912345678", true, "abc", "0891683118320400F0" + tpdu, "AT+CMGS=20\r"},
        {"8613812340000", "+13912345678", true, "abc", "0891683118320400F0" + tpdu, "AT+CMGS=20\r"},
        {"", "13912345678", true, "abc", "0191" + tpdu, "AT+CMGS=20\r"},
        {"+8613812340000", "13912345678", true, "", "0891683118320400F011000B813119325476F80008AA00",
         "AT+CMGS=14\r"},
        {"+8613812340000", "8613912345678", false, "中",
         "0891683118320400F011000D91683119325476F80008AA024E2D", "AT+CMGS=17\r"},
        {"+8613812340000", "13912345678", true, "\xF0\x9F\x98\x80",
         "0891683118320400F011000B813119325476F80008AA04D83DDE00", "AT+CMGS=18\r"},
    };
    ScopedLocaleEnv env("C");
    for (const Case& c : cases) {
        std::string command = "stale";
        const std::string pdu = gsmEncodePduNew(SinglePart(c.sca, c.tpa, c.national, c.text), command);
        EXPECT_EQ(pdu, c.pdu + "\x1A") << c.text;
        EXPECT_EQ(command, c.command) << c.text;
    }
}

TEST(CodecEncode, SeventyUcs2CharactersFitOnePart)
{
    std::string command;
    const std::string pdu = gsmEncodePduNew(SinglePart("", "13912345678", true, Repeat("中", 70)), command);
    EXPECT_EQ(pdu.substr(4 + 24, 4), "AA8C");
    EXPECT_EQ(pdu.size(), 4u + 28 + 280 + 1);
    EXPECT_EQ(command, "AT+CMGS=154\r");
}

TEST(CodecEncode, SubmitHeaderFieldsAndValidityPeriod)
{
    SM_PARAM record = ClearedRecord();
    SET_FIELD(record, SCA, "8613812340000");
    SET_FIELD(record, TPA, "+13912345678");
    record.TP_DCS = GSM_UCS2;
    char header[SUBMIT_PDU_HEADER_SIZE];
    EXPECT_EQ(GetSubmitPdu(record, header), 44);
    EXPECT_STREQ(header, "0891683118320400F051000B913119325476F80008A7");
    record.nationalNumber = true;
    record.flashSms = true;
    record.TP_PID = 0x7F;
    GetSubmitPdu(record, header);
    EXPECT_STREQ(header, "0891683118320400F051000BA13119325476F87F18A7");
    record.TP_DCS = GSM_8BIT;
    GetSubmitPdu(record, header);
    EXPECT_EQ(std::string(header).substr(40, 2), "10");

    struct Validity {
        int minutes;
        int octet;
    } table[] = {{0, 0xA7},   {1, 0x00},   {4, 0x00},    {5, 0x00},    {10, 0x01},   {720, 0x8F},
                 {721, 0x8F}, {750, 0x90}, {1440, 0xA7}, {1441, 0xA8}, {2880, 0xA8}, {2881, 0xFF}};
    record.flashSms = false;
    for (const Validity& v : table) {
        record.validityMinutes = v.minutes;
        const int length = GetSubmitPdu(record, header);
        EXPECT_EQ(Octet(header, length - 2), v.octet) << v.minutes << " minutes";
    }
}

TEST(CodecEncode, LongTextIsCutInto134OctetPartsWithOneReference)
{
    ScopedLocaleEnv env("C");
    const std::vector<std::string> parts = LongParts("13800000000", "+13912345678", false, Repeat("中", 100));
    ASSERT_EQ(parts.size(), 2u);
    const size_t h = std::strlen(LONG_HEADER);
    const std::string reference = parts[0].substr(h + 8, 2);
    EXPECT_EQ(parts[0], LONG_HEADER + std::string("8C050003") + reference + "0201" + Repeat("4E2D", 67));
    EXPECT_EQ(parts[1], LONG_HEADER + std::string("48050003") + reference + "0202" + Repeat("4E2D", 33));
}

TEST(CodecEncode, LongPathEdgeCases)
{
    ScopedLocaleEnv env("C");
    const size_t h = std::strlen(LONG_HEADER);
    // A text that fits one part still gets a concatenation header.
    std::vector<std::string> parts = LongParts("13800000000", "13912345678", false, Repeat("中", 67));
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].substr(h, 6), "8C0500");
    EXPECT_EQ(parts[0].substr(h + 10, 4), "0101");
    // National numbers get type A1 here.
    parts = LongParts("13800000000", "13912345678", true, "abc");
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].substr(22, 2), "A1");
    EXPECT_EQ(parts[0].substr(h, 2), "0C");
    // No text, no part.
    EXPECT_TRUE(LongParts("13800000000", "13912345678", false, "").empty());
    // A surrogate pair is never cut between two parts: 66 characters and an emoji at the boundary.
    parts = LongParts("13800000000", "13912345678", false, Repeat("中", 66) + "\xF0\x9F\x98\x80" + "a");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].substr(h, 2), "8A");
    EXPECT_EQ(parts[0].substr(parts[0].size() - 4), "4E2D");
    EXPECT_EQ(parts[1].substr(h), "0C050003" + parts[1].substr(h + 8, 2) + "0202" + "D83DDE000061");
}

TEST(CodecEncode, LongSevenBitAndEightBitParts)
{
    const size_t h = std::strlen(LONG_HEADER);
    std::vector<std::string> parts = LongParts("13800000000", "13912345678", false, std::string(200, 'a'), GSM_7BIT);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].substr(h - 4, 2), "00");
    EXPECT_EQ(parts[0].substr(h, 8), "A0060804");
    EXPECT_EQ(parts[0].substr(h + 8 + 4, 4), "0201");
    EXPECT_EQ(parts[0].size(), h + 16 + 266);
    EXPECT_EQ(parts[1].substr(h, 2), "38");  // 48 septets of text and 8 of header
    EXPECT_EQ(parts[1].substr(h + 8, 4), parts[0].substr(h + 8, 4));

    parts = LongParts("13800000000", "13912345678", false, std::string(135, 'b'), GSM_8BIT);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].substr(h, 2), "8C");
    EXPECT_EQ(parts[1].substr(h, 2), "07");
    EXPECT_EQ(parts[1].substr(h + 14), "62");
}

TEST(CodecEncode, ReferencesRunOneTo255AndWrap)
{
    const size_t h = std::strlen(LONG_HEADER);
    int previous = Octet(LongParts("13800000000", "13912345678", false, "x")[0], h + 8);
    bool wrapped = false;
    for (int i = 0; i < 256; ++i) {
        const int reference = Octet(LongParts("13800000000", "13912345678", false, "x")[0], h + 8);
        ASSERT_GE(reference, 1);
        ASSERT_EQ(reference, previous == 255 ? 1 : previous + 1);
        wrapped = wrapped || previous == 255;
        previous = reference;
    }
    EXPECT_TRUE(wrapped);
}

TEST(CodecEncode, MoreThan255PartsAreRefused)
{
    ScopedLocaleEnv env("C");
    EXPECT_EQ(LongParts("13800000000", "13912345678", false, std::string(67 * 255, 'z')).size(), 255u);
    EXPECT_TRUE(LongParts("13800000000", "13912345678", false, std::string(67 * 255 + 1, 'z')).empty());
}

TEST(CodecEncode, PushSubmitHeader)
{
    SM_PARAM record = ClearedRecord();
    SET_FIELD(record, SCA, "8613812340000");
    SET_FIELD(record, TPA, "13912345678");
    record.nationalNumber = true;
    char header[SUBMIT_PDU_HEADER_SIZE];
    std::memset(header, 'X', sizeof header);
    const int length = GetPushSubmitPdu(record, header);
    EXPECT_EQ(std::string(header, length), "0891683118320400F041000B913119325476F800F5");
    EXPECT_EQ(header[length], 'X');
}
