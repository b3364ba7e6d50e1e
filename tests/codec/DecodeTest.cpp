#include <gtest/gtest.h>

#include "CodecTestUtil.h"

namespace {

const std::string SC = "0891683118320400F0";           // service centre 8613812340000
const std::string ORIGINATOR = "0D91683119325476F8";   // 8613912345678
const std::string STAMP = "42103121232523";            // 24-01-13 12:32:52, zone 32

// An SMS-DELIVER with the given first octet, coding, user-data length and user data.
std::string Deliver(const std::string& first, const std::string& dcs, const std::string& udl, const std::string& ud)
{
    return SC + first + ORIGINATOR + "00" + dcs + STAMP + udl + ud;
}

SM_PARAM Decoded(const std::string& pdu, int* result = nullptr)
{
    SM_PARAM record = ClearedRecord();
    const int n = gsmDecodePdu(pdu.c_str(), record);
    if (result) *result = n;
    return record;
}

}  // namespace

TEST(CodecDecode, DeliverFieldsAndTextByCoding)
{
    struct Case {
        std::string pdu;
        std::string text;
        unsigned char dcs;
        int result;
    } cases[] = {
        {Deliver("04", "08", "06", "006100620063"), "abc", 8, 3},
        {Deliver("04", "08", "06", "006100620063\r"), "abc", 8, 3},
        {Deliver("04", "00", "07", "31D98C56B3DD00"), "1234567", 0, 7},  // no trailing "@"
        {Deliver("04", "04", "03", "414243"), "ABC", 4, 3},
        {Deliver("04", "F5", "03", "414243"), "", 0xF5, 0},              // WAP push: no text
        {Deliver("24", "08", "04", "D83DDE00"), "\xF0\x9F\x98\x80", 8, 4},
    };
    for (const Case& c : cases) {
        int result = -1;
        const SM_PARAM record = Decoded(c.pdu, &result);
        EXPECT_STREQ(record.SCA, "8613812340000");
        EXPECT_STREQ(record.TPA, "8613912345678");
        EXPECT_EQ(record.TP_PID, 0);
        EXPECT_EQ(record.TP_DCS, c.dcs);
        EXPECT_STREQ(record.TP_SCTS, "24011312325232");
        EXPECT_EQ(std::string(record.TP_UD), c.text) << c.pdu;
        EXPECT_EQ(result, c.result) << c.pdu;
        EXPECT_FALSE(record.isConcat);
    }
}

TEST(CodecDecode, APartIsKnownByTheHeaderIndicatorOrByAConcatenationHeaderAtTheStart)
{
    const std::string ud = "0500032A02014E2D4E2D";
    // Some modems store parts without the indicator: first octets 00, 20 and 84 lack it.
    for (const char* first : {"44", "40", "64", "00", "20", "84"}) {
        const SM_PARAM record = Decoded(Deliver(first, "08", "0A", ud));
        EXPECT_TRUE(record.isConcat) << first;
        EXPECT_EQ(record.concatRef, 0x2A);
        EXPECT_FALSE(record.concatRef16Bit);
        EXPECT_EQ(record.concatTotal, 2);
        EXPECT_EQ(record.concatSeq, 1);
        EXPECT_STREQ(record.concatHex, "4E2D4E2D");
        EXPECT_EQ(record.concatHexLen, 8);
        EXPECT_STREQ(record.TP_UD, "中中");
    }
    // First octets 04 and 24 keep the octets that look like a header as text.
    for (const char* first : {"04", "24"}) {
        const SM_PARAM record = Decoded(Deliver(first, "08", "0A", ud));
        EXPECT_FALSE(record.isConcat) << first;
        EXPECT_EQ(std::string(record.TP_UD), "\xD4\x80\xCC\xAA\xC8\x81中中") << first;
    }
}

// Without the indicator a part reads as with it, in every alphabet; only a whole concatenation
// header with an 8-bit reference makes one, and anything else is text as it always was.
TEST(CodecDecode, WithoutTheIndicatorOnlyAWholeEightBitConcatenationHeaderMakesAPart)
{
    struct Case {
        const char* label;
        std::string dcs, udl, ud;
        bool concat;
        std::string text, concatHex;
        int ref, total, seq;
    } cases[] = {
        {"7-bit, the fill bit after the header", "00", "09", "050003070201D069", true, "hi", "00680069", 7, 2, 1},
        {"8-bit", "04", "08", "0500030703024142", true, "AB", "00410042", 7, 3, 2},
        {"16-bit reference", "08", "09", "06080412340302" "4E2D", false, "\u0608\u0412\u3403\u024E", "", 0, 0, 0},
        {"another element size", "08", "0A", "0500042A0201" "4E2D4E2D", false, "\u0500\u042A\u0201中中", "", 0, 0, 0},
        {"text ending inside the header", "08", "06", "0500032A02", false, "\u0500\u032A", "", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const SM_PARAM record = Decoded(Deliver("00", c.dcs, c.udl, c.ud));
        EXPECT_EQ(record.isConcat, c.concat);
        EXPECT_EQ(std::string(record.TP_UD), c.text);
        if (!c.concat) continue;
        EXPECT_EQ(std::string(record.concatHex), c.concatHex);
        EXPECT_EQ(record.concatRef, c.ref);
        EXPECT_EQ(record.concatTotal, c.total);
        EXPECT_EQ(record.concatSeq, c.seq);
    }
}

// A header must lie inside the user data: UDL octets, or UDL septets in 7-bit text. One that runs
// past it joins nothing. With the indicator it still keeps the text out; without it, it is text.
TEST(CodecDecode, AHeaderRunningPastTheUserDataMakesNoPart)
{
    const std::string header = "0500032A0201", wide = "06080412340302";
    struct Case {
        std::string first, dcs, udl, ud;
        bool concat;
        int ref;
        std::string text;
    } cases[] = {
        {"44", "08", "06", header, true, 0x2A, ""},  // exact fit
        {"00", "08", "06", header, true, 0x2A, ""},
        {"44", "08", "05", header, false, 0, ""},
        {"00", "08", "05", header, false, 0, "\u0500\u032A"},
        {"44", "08", "02", header, false, 0, ""},
        {"00", "08", "02", header, false, 0, "\u0500"},
        {"44", "04", "06", header, true, 0x2A, ""},
        {"44", "04", "05", header, false, 0, ""},
        // 7-bit: 48 header bits fit in 7 septets, not in 6.
        {"44", "00", "07", header + "00", true, 0x2A, ""},
        {"00", "00", "07", header + "00", true, 0x2A, ""},
        {"44", "00", "06", header + "00", false, 0, ""},
        {"00", "00", "06", header + "00", false, 0, "é@øP\" "},
        // A 16-bit reference: 7 octets, 8 septets.
        {"44", "08", "07", wide, true, 0x1234, ""},
        {"44", "08", "06", wide, false, 0, ""},
        {"44", "00", "08", wide, true, 0x1234, ""},
        {"44", "00", "07", wide, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first + " " + c.dcs + " " + c.udl + " " + c.ud);
        const SM_PARAM record = Decoded(Deliver(c.first, c.dcs, c.udl, c.ud));
        EXPECT_EQ(record.isConcat, c.concat);
        EXPECT_EQ(std::string(record.TP_UD), c.text);
        EXPECT_EQ(record.isConcat ? record.concatRef : 0, c.ref);
    }
}

TEST(CodecDecode, HeaderElementsOfEveryKind)
{
    struct Case {
        const char* label;
        std::string dcs, udl, ud;
        std::string text;
        bool concat;
        int ref, total, seq;
        bool ref16Bit;
    } cases[] = {
        {"16-bit reference", "08", "09", "06080412340302" "4E2D", "中", true, 0x1234, 3, 2, true},
        {"port, then 8-bit concatenation", "08", "0E", "0B05040B8423F00003FE0201" "0061", "a", true, 0xFE, 2, 1, false},
        {"port alone", "08", "09", "0605040B8423F0" "0061", "a", false, 0, 0, 0, false},
        {"empty header", "08", "03", "00" "0061", "a", false, 0, 0, 0, false},
        {"the first concatenation element counts", "08", "0E", "0B0003070201080400090302" "0061", "a", true, 7, 2, 1,
         false},
        {"concatenation element of the wrong size", "08", "09", "0600042A020100" "0061", "a", false, 0, 0, 0, false},
        {"element running past the header", "08", "06", "0300032A" "0061", "a", false, 0, 0, 0, false},
        // 7-bit: a 7-octet header ends on a septet boundary; a 6-octet one needs a fill bit.
        {"7-bit, 16-bit reference", "00", "0A", "06080400FF0201" "E834", "hi", true, 0xFF, 2, 1, true},
        {"7-bit, port", "00", "0A", "0605040B8423F0" "E834", "hi", false, 0, 0, 0, false},
        {"7-bit, empty header", "00", "04", "00003A0D", "hi", false, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const SM_PARAM record = Decoded(Deliver("44", c.dcs, c.udl, c.ud));
        EXPECT_EQ(std::string(record.TP_UD), c.text);
        EXPECT_EQ(record.isConcat, c.concat);
        if (!c.concat) continue;
        EXPECT_EQ(record.concatRef, c.ref);
        EXPECT_EQ(record.concatRef16Bit, c.ref16Bit);
        EXPECT_EQ(record.concatTotal, c.total);
        EXPECT_EQ(record.concatSeq, c.seq);
        const std::vector<unsigned char> ucs2 = BytesOf(std::string(record.concatHex, record.concatHexLen));
        EXPECT_EQ(gsmDecodeNew2(ucs2.data(), static_cast<int>(ucs2.size())), c.text);
    }
}

// A header length past the user data, or past the whole text: nothing is read beyond the text
// and no text is made up.
TEST(CodecDecode, HeaderLongerThanTheUserData)
{
    for (const std::string& pdu : {Deliver("44", "08", "04", "0B0504"), Deliver("44", "08", "02", "FF00"),
                                   Deliver("44", "00", "03", "FF0003"), Deliver("44", "08", "01", "")}) {
        std::vector<char> text(pdu.begin(), pdu.end());
        text.push_back('\0');
        SM_PARAM record = ClearedRecord();
        gsmDecodePdu(text.data(), record);
        EXPECT_FALSE(record.isConcat) << pdu;
        EXPECT_STREQ(record.TP_UD, "") << pdu;
    }
}

// The alphabet by the coding groups; the same user data reads as "hi" in 7-bit text, as its two
// octets in 8-bit data and as one UCS-2 character.
TEST(CodecDecode, AlphabetComesFromTheCodingGroup)
{
    const std::string sevenBit = "hi", eightBit = "\xE8" "4", ucs2 = "\xEE\xA0\xB4";
    struct Case {
        std::vector<const char*> codings;
        std::string text;
    } cases[] = {
        {{"00", "01", "02", "03", "10", "11", "12", "13"}, sevenBit},  // general, with classes
        {{"40", "43", "50", "53"}, sevenBit},                          // marked for automatic deletion
        {{"C0", "C8", "D0", "DB"}, sevenBit},                          // message waiting
        {{"F0", "F1", "F2", "F3"}, sevenBit},
        {{"04", "07", "14", "17", "44", "F4", "F6", "F7"}, eightBit},
        {{"08", "0B", "18", "1B", "48", "E0", "EB"}, ucs2},
        // Reserved alphabets and groups, and compressed text, read as they always were.
        {{"0C", "1F", "20", "24", "28", "80", "9F", "A5", "BF"}, ucs2},
    };
    for (const Case& c : cases) {
        for (const char* dcs : c.codings) {
            const SM_PARAM record = Decoded(Deliver("04", dcs, "02", "E834"));
            EXPECT_EQ(std::string(record.TP_UD), c.text) << dcs;
            EXPECT_EQ(record.TP_DCS, BytesOf(dcs)[0]);

            SM_PARAM stored = ClearedRecord();
            gsmDecodeSendPdu((SC + "1100" + "0B813119325476F8" + "00" + dcs + "AA" + "02" + "E834").c_str(), stored);
            EXPECT_EQ(std::string(stored.TP_UD), c.text) << "stored " << dcs;
        }
    }
    // A WAP push shows no text; stored for sending it is 8-bit data like any other of its group.
    EXPECT_STREQ(Decoded(Deliver("04", "F5", "02", "E834")).TP_UD, "");
    SM_PARAM stored = ClearedRecord();
    gsmDecodeSendPdu((SC + "1100" + "0B813119325476F8" + "00F5" + "AA" + "02" + "E834").c_str(), stored);
    EXPECT_EQ(std::string(stored.TP_UD), eightBit);
}

TEST(CodecDecode, SevenBitTextOfTheWidestCharactersReachesTheRecordWhole)
{
    // 160 septets of Δ (two UTF-8 bytes each), 80 euro signs (two septets, three bytes), and the
    // most a user-data length can claim: 255 septets.
    struct Case {
        std::string septets;
        std::string text;
    } cases[] = {
        {std::string(160, '\x10'), Repeat("Δ", 160)},
        {Repeat("\x1B\x65", 80), Repeat("€", 80)},
        {std::string(255, '\x10'), Repeat("Δ", 255)},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> packed(c.septets.size());
        const int octets = gsmEncode7bit(c.septets.data(), packed.data(), static_cast<int>(c.septets.size()));
        char udl[3];
        std::snprintf(udl, sizeof udl, "%02X", static_cast<unsigned>(c.septets.size()));
        int result = 0;
        const SM_PARAM record = Decoded(Deliver("04", "00", udl, HexOf(packed.data(), octets)), &result);
        EXPECT_EQ(std::string(record.TP_UD), c.text);
        EXPECT_EQ(result, static_cast<int>(c.text.size()));
    }
}

TEST(CodecDecode, SevenAndEightBitPartsLeaveTheirHeaderOutAndJoinAsUcs2)
{
    // 7-bit: header of 6 octets and a fill bit, then "hi" from septet 7 on.
    SM_PARAM record = Decoded(Deliver("44", "00", "09", "050003070201D069"));
    EXPECT_TRUE(record.isConcat);
    EXPECT_STREQ(record.TP_UD, "hi");
    EXPECT_STREQ(record.concatHex, "00680069");
    record = Decoded(Deliver("44", "04", "08", "0500030703024142"));
    EXPECT_STREQ(record.TP_UD, "AB");
    EXPECT_STREQ(record.concatHex, "00410042");
    EXPECT_EQ(record.concatSeq, 2);
}

TEST(CodecDecode, UcsTwoTextOfSeventyCharactersReachesTheRecordWhole)
{
    const std::string text = Repeat("中", 70);
    const SM_PARAM record = Decoded(Deliver("04", "08", "8C", Repeat("4E2D", 70)));
    EXPECT_EQ(std::string(record.TP_UD), text);
}

TEST(CodecDecode, ServiceCentreLengthZeroMeansNoAddress)
{
    const SM_PARAM record = Decoded("00" + Deliver("04", "08", "06", "006100620063").substr(SC.size()));
    EXPECT_STREQ(record.SCA, "");
    EXPECT_STREQ(record.TPA, "8613912345678");
    EXPECT_STREQ(record.TP_UD, "abc");
}

TEST(CodecDecode, AlphanumericOriginator)
{
    const SM_PARAM record = Decoded("0891683108000000F0000CD0DAB05D9EC60300004210312123250002E834");
    EXPECT_STREQ(record.TPA, "Zavrix");
    EXPECT_STREQ(record.TP_UD, "hi");
    // Its septets are GSM characters: 0x11 is the underscore.
    const SM_PARAM info = Decoded("0891683108000000F0000ED049B7F91D9936A70000421031212325000B66F9BB0D0A83DCE17619");
    EXPECT_STREQ(info.TPA, "Info_SMS");
    EXPECT_STREQ(info.TP_UD, "from a name");
}

TEST(CodecDecode, LowerCaseHexDecodesLikeUpperCase)
{
    std::string pdu = Deliver("44", "08", "0A", "0500032A02014E2D4E2D");
    for (char& c : pdu) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const SM_PARAM record = Decoded(pdu);
    EXPECT_STREQ(record.SCA, "8613812340000");
    EXPECT_STREQ(record.TP_UD, "中中");
    EXPECT_EQ(record.concatRef, 0x2A);
}

// Lengths that claim more than the text holds or the record has room for.
TEST(CodecDecode, OversizedLengthsStayInsideTheTextAndTheFields)
{
    struct Case {
        std::string pdu;
        const char* sca;
        const char* tpa;
        std::string text;
    } cases[] = {
        {"FF91" + std::string(508, '1'), "111111111111111", "", ""},
        {"00" "04" "FF91" + std::string(256, '2') + "0008", "", "2222222222222222222222222222222", ""},
        {Deliver("04", "08", "FF", "00610062"), "8613812340000", "8613912345678", "ab"},
        {Deliver("04", "08", "FF", "0061006"), "8613812340000", "8613912345678", "a"},
        {Deliver("04", "00", "FF", "61F1"), "8613812340000", "8613912345678", "ab"},
        {Deliver("04", "04", "FF", "41424"), "8613812340000", "8613912345678", "AB"},
        {Deliver("04", "08", "FF", Repeat("4E2D", 255)), "8613812340000", "8613912345678", Repeat("中", 127)},
        {Deliver("04", "00", "FF", Repeat("1B", 255)), "8613812340000", "8613912345678", ""},
        {"08916831", "8613", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SM_PARAM record = ClearedRecord();
        gsmDecodePdu(c.pdu.c_str(), record);
        EXPECT_STREQ(record.SCA, c.sca) << c.pdu;
        EXPECT_STREQ(record.TPA, c.tpa) << c.pdu;
        if (!c.text.empty()) {
            EXPECT_EQ(std::string(record.TP_UD), c.text) << c.pdu;
        }
        EXPECT_LT(std::strlen(record.TP_UD), sizeof record.TP_UD);
    }
}

TEST(CodecDecode, EveryPrefixOfAPduDecodesWithinBounds)
{
    const std::string pdus[] = {Deliver("44", "08", "0A", "0500032A02014E2D4E2D"),
                                Deliver("00", "08", "0A", "0500032A02014E2D4E2D"),
                                Deliver("44", "00", "09", "050003070201D069"),
                                Deliver("04", "04", "03", "414243")};
    for (const std::string& pdu : pdus) {
        for (size_t n = 0; n <= pdu.size(); ++n) {
            // A heap copy of exactly n characters, so that the address sanitizer sees any read past it.
            std::vector<char> text(pdu.begin(), pdu.begin() + n);
            text.push_back('\0');
            SM_PARAM record = ClearedRecord();
            gsmDecodePdu(text.data(), record);
            gsmDecodeSendPdu(text.data(), record);
            EXPECT_LT(std::strlen(record.TP_UD), sizeof record.TP_UD);
        }
    }
}

TEST(CodecDecode, ConcatenationHeaderFillingOrOverrunningTheUserDataLeavesNoText)
{
    // Only at UDL 06 does the header fit and make a part.
    for (const char* udl : {"00", "03", "05", "06"}) {
        const SM_PARAM record = Decoded(Deliver("44", "08", udl, "0500032A02014E2D4E2D"));
        EXPECT_EQ(record.isConcat, std::string(udl) == "06") << udl;
        EXPECT_STREQ(record.TP_UD, "") << udl;
        EXPECT_STREQ(record.concatHex, "") << udl;
        EXPECT_EQ(record.concatHexLen, 0);
    }
}

TEST(CodecDecodeSend, ReadsBackWhatTheEncoderBuilt)
{
    SM_PARAM source = ClearedRecord();
    SET_FIELD(source, SCA, "+8613812340000");
    SET_FIELD(source, TPA, "13912345678");
    SET_FIELD(source, TP_UD, "abc中");
    source.nationalNumber = true;
    std::string command;
    std::string pdu = gsmEncodePduNew(source, command);
    pdu.pop_back();  // Ctrl-Z

    SM_PARAM record = ClearedRecord();
    SET_FIELD(record, TP_UD, "an older and much longer text");
    EXPECT_EQ(gsmDecodeSendPdu(pdu.c_str(), record), 6);
    EXPECT_STREQ(record.SCA, "8613812340000");
    EXPECT_STREQ(record.TPA, "13912345678");
    EXPECT_STREQ(record.TP_UD, "abc中");
    EXPECT_EQ(record.TP_DCS, 8);
}

TEST(CodecDecodeSend, TheHeaderOfAStoredPartIsLeftOutOfItsText)
{
    const std::string destination = "0B813119325476F8";
    struct Case {
        std::string first, dcs, udl, ud, text;
    } cases[] = {
        {"51", "08", "0A", "0500032A02014E2D4E2D", "中中"},
        {"51", "00", "0A", "06080400FF0201E834", "hi"},
        {"11", "08", "04", "4E2D4E2D", "中中"},  // no header indicator: all of it is text
    };
    for (const Case& c : cases) {
        SM_PARAM record = ClearedRecord();
        gsmDecodeSendPdu((SC + c.first + "00" + destination + "00" + c.dcs + "AA" + c.udl + c.ud).c_str(), record);
        EXPECT_EQ(std::string(record.TP_UD), c.text) << c.ud;
        EXPECT_FALSE(record.isConcat);
    }
}

TEST(CodecDecodeSend, ValidityPeriodFormatOfTheFirstOctetIsHonoured)
{
    struct Case {
        std::string first, validity;
    } cases[] = {{"01", ""}, {"11", "AA"}, {"19", "42103121232523"}, {"09", "01020304050607"}};
    for (const Case& c : cases) {
        const std::string pdu = SC + c.first + "00" + "0B813119325476F8" + "0008" + c.validity + "06006100620063";
        SM_PARAM record = ClearedRecord();
        gsmDecodeSendPdu(pdu.c_str(), record);
        EXPECT_STREQ(record.TPA, "13912345678") << c.first;
        EXPECT_STREQ(record.TP_UD, "abc") << c.first;
    }
    SM_PARAM record = ClearedRecord();
    EXPECT_EQ(gsmDecodeStatusReportPdu("00", record), 0);
}
