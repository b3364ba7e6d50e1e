#include <gtest/gtest.h>

#include <clocale>

#include "CodecTestUtil.h"

TEST(CodecHex, String2BytesConvertsWholePairsAndReadsLowerCaseLikeUpperCase)
{
    struct Case {
        const char* hex;
        int n;
        const char* expected;  // octets as upper-case hex
    } cases[] = {
        {"0891", 4, "0891"},
        {"0a", 2, "0A"},
        {"abcdef", 6, "ABCDEF"},
        {"ABCDEF", 6, "ABCDEF"},
        {"08917", 5, "0891"},  // the odd last character is not converted
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        unsigned char out[8];
        std::memset(out, 0xEE, sizeof out);
        const int octets = gsmString2Bytes(c.hex, out, c.n);
        EXPECT_EQ(octets, c.n / 2) << c.hex;
        EXPECT_EQ(HexOf(out, octets), c.expected) << c.hex;
        EXPECT_EQ(out[octets], 0xEE) << c.hex << ": wrote past the octets it reports";
    }
}

TEST(CodecHex, Bytes2StringWritesUpperCaseAndTerminates)
{
    const unsigned char bytes[] = {0x00, 0xAB, 0x5F};
    char text[8];
    std::memset(text, 'X', sizeof text);
    EXPECT_EQ(gsmBytes2String(bytes, text, 3), 6);
    EXPECT_STREQ(text, "00AB5F");
}

TEST(CodecHex, SemiOctetsSwapPairsWithFillerF)
{
    struct Case {
        const char* digits;
        const char* swapped;
    } cases[] = {{"123", "21F3"}, {"1234", "2143"}, {"", ""}, {"8613812340000", "683118320400F0"}};
    for (const Case& c : cases) {
        char out[32];
        EXPECT_EQ(gsmInvertNumbers(c.digits, out, static_cast<int>(std::strlen(c.digits))),
                  static_cast<int>(std::strlen(c.swapped)));
        EXPECT_STREQ(out, c.swapped);
        EXPECT_EQ(gsmSerializeNumbers(c.swapped, out, static_cast<int>(std::strlen(c.swapped))),
                  static_cast<int>(std::strlen(c.digits)));
        EXPECT_STREQ(out, c.digits);
    }
}

TEST(Codec7bit, PacksSeptets)
{
    struct Case {
        std::string text;
        const char* packed;
    } cases[] = {
        {"abc", "61F118"},
        {"hello", "E8329BFD06"},
        {"1234567", "31D98C56B3DD00"},
        {"12345678", "31D98C56B3DD70"},  // eight characters fill seven octets
    };
    for (const Case& c : cases) {
        unsigned char out[16];
        const int octets = gsmEncode7bit(c.text.data(), out, static_cast<int>(c.text.size()));
        EXPECT_EQ(HexOf(out, octets), c.packed) << c.text;
    }
}

TEST(Codec7bit, UnpacksThroughTheDefaultAlphabetAndItsExtensionTable)
{
    struct Case {
        std::string septets;  // as characters, packed before decoding
        std::string text;
    } cases[] = {
        {"abc", "abc"},
        {std::string("\0", 1), "@"},
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0B\x0C\x0E\x0F", "£$¥èéùìòÇØøÅå"},
        {"\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1C\x1D\x1E\x1F.", "Δ_ΦΓΛΩΠΨΣΘΞÆæßÉ."},
        {"\x24\x40\x5B\x5C\x5D\x5E\x5F\x60\x7B\x7C\x7D\x7E\x7F", "¤¡ÄÖÑÜ§¿äöñüà"},
        {"\n\r !\"#%&'()*+,-./09:;<=>?AZaz", "\n\r !\"#%&'()*+,-./09:;<=>?AZaz"},
        {"\x1B\x28", "{"},
        {"\x1B\x14\x1B\x29\x1B\x2F\x1B\x3C\x1B\x3D\x1B\x3E\x1B\x40\x1B\x0A\x1B\x65", "^}\\[~]|\f€"},
        // An escape before a code the extension lacks gives that code's basic character; alone,
        // or before another escape, it shows as a space.
        {"\x1B\x41\x1B\x01\x1B\x0D", "A£\r"},
        {"a\x1B", "a "},
        {"\x1B\x1B" "b", " b"},
    };
    for (const Case& c : cases) {
        unsigned char packed[32];
        const int octets = gsmEncode7bit(c.septets.data(), packed, static_cast<int>(c.septets.size()));
        std::vector<char> text(2 * (octets + octets / 7) + 1);
        EXPECT_EQ(gsmDecode7bit(packed, text.data(), octets), static_cast<int>(c.text.size())) << c.text;
        EXPECT_EQ(std::string(text.data()), c.text);
    }
    EXPECT_EQ(gsmEncode7bitLength("a{b}|", 5), 8);
}

TEST(Codec7bit, TheWidestTextFitsTheRoomTheDecoderAsksFor)
{
    // 140 octets: 160 septets of Δ, two UTF-8 bytes each, in a buffer of exactly the stated size.
    const std::string septets(160, '\x10');
    unsigned char packed[140];
    ASSERT_EQ(gsmEncode7bit(septets.data(), packed, 160), 140);
    std::vector<char> text(2 * (140 + 140 / 7) + 1);
    EXPECT_EQ(gsmDecode7bit(packed, text.data(), 140), 320);
    EXPECT_EQ(std::string(text.data()), Repeat("Δ", 160));
}

TEST(Codec8bit, CopiesAndTerminates)
{
    const unsigned char bytes[] = {0x41, 0x42, 0x43};
    char text[8];
    std::memset(text, 'X', sizeof text);
    EXPECT_EQ(gsmDecode8bit(bytes, text, 3), 3);
    EXPECT_STREQ(text, "ABC");
    unsigned char out[3];
    EXPECT_EQ(gsmEncode8bit("ABC", out, 3), 3);
    EXPECT_EQ(HexOf(out, 3), "414243");
}

// The input text is read in the environment's encoding; UTF-8 text also when the environment is the
// POSIX default, which rejects every byte above 0x7F.
TEST(CodecUcs2, EncodesUtf8TextInUtf8AndPosixEnvironments)
{
    struct Case {
        std::string text;
        const char* ucs2;
    } cases[] = {
        {"abc", "006100620063"},
        {"中", "4E2D"},
        {"a中b", "00614E2D0062"},
        {"\xF0\x9F\x98\x80", "D83DDE00"},  // U+1F600 as its surrogate pair
        {"\xE4\xB8", ""},                  // cut UTF-8: not a text in either environment
        {"\xFF" "abc", ""},
        {std::string("a\0b", 3), "0061"},  // the conversion ends at a zero byte
    };
    for (const char* environment : {"C", "POSIX", "C.UTF-8"}) {
        ScopedLocaleEnv env(environment);
        for (const Case& c : cases) {
            unsigned char out[64];
            const int octets = gsmEncodeUcs2(c.text.data(), out, static_cast<int>(c.text.size()));
            EXPECT_EQ(HexOf(out, octets), c.ucs2) << environment << ": " << HexOf(c.text);
        }
    }
}

TEST(CodecUcs2, DecodesUtf16WithoutDependingOnInstalledLocales)
{
    struct Case {
        const char* ucs2;
        std::string utf8;
    } cases[] = {
        {"4E2D", "中"},
        {"004100000042", "A"},             // a zero unit ends the text
        {"D83DDE00", "\xF0\x9F\x98\x80"},  // surrogate pair joined
        {"D83D0041", "\xEF\xBF\xBD" "A"},  // unpaired high surrogate
        {"DE00", "\xEF\xBF\xBD"},          // unpaired low surrogate
        {"00410042FF", "AB"},              // odd last octet ignored
        {"00E9", "\xC3\xA9"},
    };
    std::setlocale(LC_ALL, "C");  // what a process without any UTF-8 locale has
    ScopedLocaleEnv env("C");
    for (const Case& c : cases) {
        const std::vector<unsigned char> bytes = BytesOf(c.ucs2);
        char out[64];
        std::memset(out, 'X', sizeof out);
        const int n = gsmDecodeUcs2(bytes.data(), out, static_cast<int>(bytes.size()));
        EXPECT_EQ(std::string(out, n), c.utf8) << c.ucs2;
        EXPECT_EQ(out[n], 'X') << "gsmDecodeUcs2 writes no terminator";
        EXPECT_EQ(gsmDecodeNew2(bytes.data(), static_cast<int>(bytes.size())), c.utf8) << c.ucs2;
    }
    EXPECT_EQ(gsmDecodeNew2(nullptr, 0), "");
}

TEST(CodecText, WideAndMultibyteConversions)
{
    ScopedLocaleEnv env("C");
    EXPECT_EQ(ANSIToUnicode("a中"), std::wstring(L"a\x4E2D"));
    EXPECT_EQ(ANSIToUnicode("\xC3"), std::wstring());
    EXPECT_EQ(UnicodeToANSI(L"a\x4E2D"), "a中");
    EXPECT_EQ(UnicodeToANSI(std::wstring(L"a\0b", 3)), "a");
    EXPECT_EQ(UnicodeToANSI(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    EXPECT_EQ(UnicodeToANSI(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\xF0\x9F\x98\x80");
}

// Raw storage copies: they must stay inside the source string's storage.
TEST(CodecText, RawStorageCopiesStayInsideTheSource)
{
    EXPECT_EQ(UnicodeToUTF8(L"ab").size(), 4u);
    const std::wstring wide = UTF8ToUnicode("abc");
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(wide[0]), 0x00636261u);
    EXPECT_EQ(UTF8ToUnicode(std::string(9, 'x')).size(), 4u);
    EXPECT_EQ(UTF8ToANSI("").size(), 0u);
    char sentinel = 'S';
    char* result = &sentinel;
    EXPECT_EQ(Utf8ToGBK("abc", &result), 0);
    EXPECT_EQ(result, &sentinel);
}
