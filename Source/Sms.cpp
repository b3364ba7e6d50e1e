#include "Sms.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace {

const char HEX_DIGITS[] = "0123456789ABCDEF";

// Value of one hex character; anything that is not a digit or a-f is taken as an upper-case letter
// (so garbage gives a wrong octet, never an error).
unsigned char HexValue(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned char>(c - 'a' + 10);
    return static_cast<unsigned char>(c - 0x37);
}

std::string Hex2(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string BytesToHex(const unsigned char* bytes, size_t count)
{
    std::string hex(count * 2 + 1, '\0');
    gsmBytes2String(bytes, &hex[0], static_cast<int>(count));
    hex.resize(count * 2);
    return hex;
}

// The text of a fixed field up to its terminator, never past the field.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

template <size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    const size_t count = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), count);
    field[count] = '\0';
}

std::string WithoutPlus(const std::string& number)
{
    return !number.empty() && number[0] == '+' ? number.substr(1) : number;
}

std::string InvertNumbers(const std::string& digits)
{
    std::string out(digits.size() + 2, '\0');
    out.resize(gsmInvertNumbers(digits.data(), &out[0], static_cast<int>(digits.size())));
    return out;
}

std::string SerializeNumbers(const std::string& semiOctets)
{
    std::string out(semiOctets.size() + 1, '\0');
    out.resize(gsmSerializeNumbers(semiOctets.data(), &out[0], static_cast<int>(semiOctets.size())));
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) to wide characters.
bool Utf8ToWide(const std::string& text, std::wstring& out)
{
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        uint32_t cp;
        size_t length;
        uint32_t minimum;
        if (lead < 0x80) {
            cp = lead, length = 1, minimum = 0;
        } else if ((lead >> 5) == 0x06) {
            cp = lead & 0x1F, length = 2, minimum = 0x80;
        } else if ((lead >> 4) == 0x0E) {
            cp = lead & 0x0F, length = 3, minimum = 0x800;
        } else if ((lead >> 3) == 0x1E) {
            cp = lead & 0x07, length = 4, minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out += static_cast<wchar_t>(cp);
        i += length;
    }
    return true;
}

// The environment's multibyte conversion; false when it rejects the text.
bool EnvironmentToWide(const std::string& text, std::wstring& out)
{
    // Process-wide switch, not thread-safe: it races with any other thread that uses the locale.
    // The codec runs on the main thread only and the detection threads never convert text.
    std::setlocale(LC_CTYPE, "");
    const char* src = text.c_str();
    std::mbstate_t state{};
    const size_t length = std::mbsrtowcs(nullptr, &src, 0, &state);
    if (length == static_cast<size_t>(-1)) return false;
    std::wstring buffer(length + 1, L'\0');
    src = text.c_str();
    state = std::mbstate_t{};
    if (std::mbsrtowcs(&buffer[0], &src, length + 1, &state) == static_cast<size_t>(-1)) return false;
    buffer.resize(length);
    out = buffer;
    return true;
}

// UTF-16 code units, high octet first; an odd last octet is ignored.
std::wstring Ucs2Units(const unsigned char* pSrc, int nSrcLength)
{
    std::wstring units;
    for (int i = 0; i + 1 < nSrcLength; i += 2) units += static_cast<wchar_t>((pSrc[i] << 8) | pSrc[i + 1]);
    return units;
}

// Characters as UCS-2 hex: how 7-bit and 8-bit parts reach the joining reader.
std::string Ucs2Hex(const std::wstring& chars)
{
    std::string hex;
    for (wchar_t c : chars) hex += Hex2((c >> 8) & 0xFF) + Hex2(c & 0xFF);
    return hex;
}

// The GSM 7-bit default alphabet (3GPP TS 23.038). The escape, 0x1B, shows as a space where no
// extension character follows it, as receivers that lack the extension do.
const char16_t GSM_BASIC[128] = {
    u'@', u'\u00A3', u'$', u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
    u'\u00F2', u'\u00C7', u'\n', u'\u00D8', u'\u00F8', u'\r', u'\u00C5', u'\u00E5',
    u'\u0394', u'_', u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8',
    u'\u03A3', u'\u0398', u'\u039E', u' ', u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9',
    u' ', u'!', u'"', u'#', u'\u00A4', u'%', u'&', u'\'',
    u'(', u')', u'*', u'+', u',', u'-', u'.', u'/',
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
    u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',
    u'\u00A1', u'A', u'B', u'C', u'D', u'E', u'F', u'G',
    u'H', u'I', u'J', u'K', u'L', u'M', u'N', u'O',
    u'P', u'Q', u'R', u'S', u'T', u'U', u'V', u'W',
    u'X', u'Y', u'Z', u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7',
    u'\u00BF', u'a', u'b', u'c', u'd', u'e', u'f', u'g',
    u'h', u'i', u'j', u'k', u'l', u'm', u'n', u'o',
    u'p', u'q', u'r', u's', u't', u'u', u'v', u'w',
    u'x', u'y', u'z', u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};

// The extension-table character of the septet after an escape; 0 where the table has none.
char16_t GsmExtension(unsigned char septet)
{
    switch (septet) {
    case 0x0A: return u'\f';
    case 0x14: return u'^';
    case 0x28: return u'{';
    case 0x29: return u'}';
    case 0x2F: return u'\\';
    case 0x3C: return u'[';
    case 0x3D: return u'~';
    case 0x3E: return u']';
    case 0x40: return u'|';
    case 0x65: return u'\u20AC';
    default: return 0;
    }
}

// GSM septets to characters. An escape before a code the extension lacks gives that code's
// basic character, as the standard asks.
std::wstring SeptetChars(const std::vector<unsigned char>& septets)
{
    std::wstring chars;
    for (size_t i = 0; i < septets.size(); ++i) {
        unsigned char c = septets[i] & 0x7F;
        if (c == 0x1B && i + 1 < septets.size()) {
            c = septets[++i] & 0x7F;
            if (const char16_t extended = GsmExtension(c)) {
                chars += static_cast<wchar_t>(extended);
                continue;
            }
        }
        chars += static_cast<wchar_t>(GSM_BASIC[c]);
    }
    return chars;
}

std::string MapSeptets(const std::vector<unsigned char>& septets)
{
    return UnicodeToANSI(SeptetChars(septets));
}

// n octets give n + n / 7 septets.
std::vector<unsigned char> UnpackSeptets(const unsigned char* pSrc, size_t nOctets)
{
    std::vector<unsigned char> septets;
    septets.reserve(nOctets + nOctets / 7);
    int shift = 0;
    unsigned carry = 0;
    for (size_t j = 0; j < nOctets; ++j) {
        septets.push_back(static_cast<unsigned char>(((pSrc[j] << shift) | carry) & 0x7F));
        carry = pSrc[j] >> (7 - shift);
        if (++shift == 7) {
            septets.push_back(static_cast<unsigned char>(carry & 0x7F));
            carry = 0;
            shift = 0;
        }
    }
    return septets;
}

// Reads a PDU's hex text field by field. Nothing is read past the terminator: a field that the
// text no longer holds comes out short (octets as 0).
class PduCursor {
public:
    explicit PduCursor(const char* text) : text_(text), size_(std::strlen(text)) {}

    size_t Remaining() const { return size_ - pos_; }
    const char* Here() const { return text_ + pos_; }

    int Octet()
    {
        if (Remaining() < 2) {
            pos_ = size_;
            return 0;
        }
        unsigned char value = 0;
        gsmString2Bytes(Here(), &value, 2);
        pos_ += 2;
        return value;
    }

    std::string Take(size_t count)
    {
        count = std::min(count, Remaining());
        std::string part(Here(), count);
        pos_ += count;
        return part;
    }

    std::vector<unsigned char> Octets(size_t count)
    {
        const std::string hex = Take(count * 2);
        std::vector<unsigned char> octets(hex.size() / 2);
        gsmString2Bytes(hex.data(), octets.data(), static_cast<int>(hex.size()));
        return octets;
    }

private:
    const char* text_;
    size_t size_;
    size_t pos_ = 0;
};

// A length of 0 means no service-centre address: only the length octet is there.
void ReadServiceCentre(PduCursor& pdu, SM_PARAM& dst)
{
    const int length = pdu.Octet();
    if (length == 0) {
        dst.SCA[0] = '\0';
        return;
    }
    pdu.Octet();  // type of address
    CopyField(dst.SCA, SerializeNumbers(pdu.Take(static_cast<size_t>(length - 1) * 2)));
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
std::string Utf8Prefix(const std::string& text, size_t limit)
{
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

// Alphanumeric addresses (type of number 101) carry GSM 7-bit text: the length counts its
// semi-octets.
void ReadAddress(PduCursor& pdu, char (&field)[32])
{
    const int semiOctets = pdu.Octet();
    const int type = pdu.Octet();
    const std::string digits = pdu.Take(static_cast<size_t>(semiOctets + (semiOctets & 1)));
    if ((type & 0x70) != 0x50) {
        CopyField(field, SerializeNumbers(digits));
        return;
    }
    std::vector<unsigned char> octets(digits.size() / 2);
    gsmString2Bytes(digits.data(), octets.data(), static_cast<int>(digits.size()));
    std::vector<unsigned char> septets = UnpackSeptets(octets.data(), octets.size());
    septets.resize(std::min(septets.size(), static_cast<size_t>(semiOctets * 4 / 7)));
    CopyField(field, Utf8Prefix(MapSeptets(septets), sizeof field - 1));
}

enum class Alphabet { Gsm7bit, EightBit, Ucs2 };

// The alphabet a data coding scheme names, by the coding groups of 3GPP TS 23.038; the class bits
// only name a class. Compressed text and the reserved codings are read as UCS-2, as they always
// were: there is nothing better to show for them.
Alphabet AlphabetOf(unsigned char dcs)
{
    const int group = dcs >> 4;
    if (group < 0x8) {  // general data coding, also when marked for automatic deletion
        if (dcs & 0x20) return Alphabet::Ucs2;
        switch ((dcs >> 2) & 0x03) {
        case 0: return Alphabet::Gsm7bit;
        case 1: return Alphabet::EightBit;
        default: return Alphabet::Ucs2;
        }
    }
    if (group == 0xC || group == 0xD) return Alphabet::Gsm7bit;  // message waiting: discard, store
    if (group == 0xF) return dcs & 0x04 ? Alphabet::EightBit : Alphabet::Gsm7bit;
    return Alphabet::Ucs2;  // message waiting in UCS-2 (1110), or a reserved group
}

bool HasUserDataHeader(int firstOctet)
{
    return (firstOctet & 0x40) != 0;
}

// What the user-data header tells the reader.
struct UserDataHeader {
    int octets = 0;  // the whole header, its length octet included; 0 without a header
    bool concat = false;
    bool ref16Bit = false;
    int ref = 0;
    int total = 0;
    int seq = 0;
};

// The header at the start of the user data, read from a copy of the cursor. Concatenation with an
// 8-bit (element 00) or a 16-bit reference (element 08) is taken from the first such element;
// every other element, and one that runs past the header, is passed over.
UserDataHeader ReadUserDataHeader(PduCursor pdu)
{
    UserDataHeader header;
    const int length = pdu.Octet();
    header.octets = length + 1;
    const std::vector<unsigned char> elements = pdu.Octets(static_cast<size_t>(length));
    for (size_t i = 0; i + 2 <= elements.size(); i += 2 + elements[i + 1]) {
        const unsigned char id = elements[i];
        const size_t size = elements[i + 1];
        if (header.concat || i + 2 + size > elements.size()) continue;
        const unsigned char* data = &elements[i + 2];
        if (id == 0x00 && size == 3) {
            header.ref = data[0];
            data += 1;
        } else if (id == 0x08 && size == 4) {
            header.ref = (data[0] << 8) | data[1];
            header.ref16Bit = true;
            data += 2;
        } else {
            continue;
        }
        header.concat = true;
        header.total = data[0];
        header.seq = data[1];
    }
    return header;
}

// Whether a header of `octets` lies inside user data of udl septets (7-bit) or octets.
bool HeaderFits(int octets, Alphabet alphabet, int udl)
{
    if (alphabet == Alphabet::Gsm7bit) return octets * 8 <= udl * 7;
    return octets <= udl;
}

// Some modems store the parts of a long message without the header indicator; such a part is
// known by a whole concatenation header with an 8-bit reference at the start of its user data.
// First octets 04 and 24, those of plain single messages, keep such octets as text.
bool IsUnannouncedPart(PduCursor pdu, int firstOctet, Alphabet alphabet, int udl)
{
    if (firstOctet == 0x04 || firstOctet == 0x24) return false;
    if (pdu.Remaining() < 12 || !HeaderFits(6, alphabet, udl)) return false;
    return pdu.Octet() == 0x05 && pdu.Octet() == 0x00 && pdu.Octet() == 0x03;
}

// The header of a received message. One that runs past the user data keeps the text out, as it
// always did, but tells nothing about joining: a malformed message must not join real parts.
UserDataHeader ReadReceivedHeader(PduCursor pdu, int firstOctet, Alphabet alphabet, int udl)
{
    if (!HasUserDataHeader(firstOctet) && !IsUnannouncedPart(pdu, firstOctet, alphabet, udl)) return UserDataHeader();
    UserDataHeader header = ReadUserDataHeader(pdu);
    if (!HeaderFits(header.octets, alphabet, udl)) header.concat = false;
    return header;
}

// A message's text as characters (UCS-2 units; 8-bit data one unit per octet) and as shown
// (UTF-8; 8-bit data its octets as they are).
struct UserText {
    std::wstring chars;
    std::string shown;
};

// The user data of udl septets (7-bit) or octets at the cursor, less a header of headerOctets
// (in 7-bit text also the fill bits that bring the text to a septet boundary).
UserText ReadUserText(PduCursor& pdu, Alphabet alphabet, int udl, int headerOctets)
{
    UserText text;
    if (alphabet == Alphabet::Gsm7bit) {
        const std::vector<unsigned char> octets = pdu.Octets((static_cast<size_t>(udl) * 7 + 7) / 8);
        std::vector<unsigned char> septets = UnpackSeptets(octets.data(), octets.size());
        septets.resize(std::min(septets.size(), static_cast<size_t>(udl)));
        const size_t skip = std::min(septets.size(), (static_cast<size_t>(headerOctets) * 8 + 6) / 7);
        septets.erase(septets.begin(), septets.begin() + skip);
        text.chars = SeptetChars(septets);
        text.shown = UnicodeToANSI(text.chars);
        return text;
    }
    if (udl < headerOctets) return text;
    pdu.Octets(static_cast<size_t>(headerOctets));
    const std::vector<unsigned char> octets = pdu.Octets(static_cast<size_t>(udl - headerOctets));
    if (alphabet == Alphabet::EightBit) {
        text.chars.assign(octets.begin(), octets.end());
        text.shown.assign(octets.begin(), octets.end());
    } else {
        text.chars = Ucs2Units(octets.data(), static_cast<int>(octets.size()));
        text.shown = UnicodeToANSI(text.chars);
    }
    return text;
}

// The concatenation fields of a part; its text goes to the joining reader as UCS-2 hex.
void StorePart(SM_PARAM& dst, const UserDataHeader& header, const std::wstring& chars)
{
    dst.concatRef = static_cast<uint16_t>(header.ref);
    dst.concatRef16Bit = header.ref16Bit;
    dst.concatTotal = static_cast<uint16_t>(header.total);
    dst.concatSeq = static_cast<uint16_t>(header.seq);
    std::memset(dst.concatHex, 0, sizeof dst.concatHex);
    CopyField(dst.concatHex, Ucs2Hex(chars));
    dst.concatHexLen = static_cast<int32_t>(std::strlen(dst.concatHex));
}

int StoreText(SM_PARAM& dst, const std::string& text)
{
    const std::string kept = Utf8Prefix(text, sizeof dst.TP_UD - 1);
    CopyField(dst.TP_UD, kept);
    return static_cast<int>(kept.size());
}

int ValidityOctet(int minutes)
{
    if (minutes <= 0) return 0xA7;
    if (minutes < 5) return 0x00;  // the shortest period there is, 5 minutes
    if (minutes <= 720) return (minutes / 5 - 1) & 0xFF;
    if (minutes <= 1440) return (minutes - 720) / 30 + 143;
    if (minutes <= 2880) return 0xA8;
    return 0xFF;
}

// Reference of the last concatenated message, seeded once from the clock. Unguarded: main thread.
uint16_t g_sSplitIndex = 0;
bool bInitSplitIndex = false;

uint16_t NextSplitIndex()
{
    if (!bInitSplitIndex) {
        g_sSplitIndex = static_cast<uint16_t>(std::time(nullptr) % 255);
        bInitSplitIndex = true;
    }
    g_sSplitIndex = g_sSplitIndex > 254 ? 1 : static_cast<uint16_t>(g_sSplitIndex + 1);
    return g_sSplitIndex;
}

// Octet slices of the encoded text: 133 octets (152 septets) for 7-bit text, 134 otherwise; a UCS-2
// slice never ends between the two halves of a surrogate pair.
std::vector<std::pair<size_t, size_t>> SliceText(const std::vector<unsigned char>& octets, unsigned char dcs)
{
    const bool ucs2 = dcs != GSM_7BIT && dcs != GSM_8BIT;
    const size_t slice = dcs == GSM_7BIT ? 133 : 134;
    std::vector<std::pair<size_t, size_t>> slices;
    for (size_t start = 0; start < octets.size();) {
        size_t length = std::min(slice, octets.size() - start);
        const size_t end = start + length;
        if (ucs2 && end < octets.size() && (octets[end - 2] & 0xFC) == 0xD8) length -= 2;
        slices.emplace_back(start, length);
        start += length;
    }
    return slices;
}

}  // namespace

// ---- hex and semi-octets ----

int gsmString2Bytes(const char* pSrc, unsigned char* pDst, int nSrcLength)
{
    for (int i = 0; i + 1 < nSrcLength; i += 2)
        pDst[i / 2] = static_cast<unsigned char>((HexValue(pSrc[i]) << 4) | HexValue(pSrc[i + 1]));
    return nSrcLength / 2;
}

int gsmBytes2String(const unsigned char* pSrc, char* pDst, int nSrcLength)
{
    for (int i = 0; i < nSrcLength; ++i) {
        pDst[2 * i] = HEX_DIGITS[pSrc[i] >> 4];
        pDst[2 * i + 1] = HEX_DIGITS[pSrc[i] & 0x0F];
    }
    pDst[nSrcLength > 0 ? 2 * nSrcLength : 0] = '\0';
    return nSrcLength > 0 ? 2 * nSrcLength : 0;
}

int gsmInvertNumbers(const char* pSrc, char* pDst, int nSrcLength)
{
    int out = 0;
    for (int i = 0; i < nSrcLength; i += 2) {
        pDst[out++] = i + 1 < nSrcLength ? pSrc[i + 1] : 'F';
        pDst[out++] = pSrc[i];
    }
    pDst[out] = '\0';
    return out;
}

int gsmSerializeNumbers(const char* pSrc, char* pDst, int nSrcLength)
{
    int out = 0;
    for (int i = 0; i + 1 < nSrcLength; i += 2) {
        pDst[out++] = pSrc[i + 1];
        pDst[out++] = pSrc[i];
    }
    if (nSrcLength > 0 && nSrcLength % 2) pDst[out++] = pSrc[nSrcLength - 1];
    if (out > 0 && (pDst[out - 1] == 'F' || pDst[out - 1] == 'f')) --out;
    pDst[out] = '\0';
    return out;
}

// ---- user data alphabets ----

int gsmEncode7bit(const char* pSrc, unsigned char* pDst, int nSrcLength)
{
    int out = 0;
    unsigned char carry = 0;
    for (int i = 0; i < nSrcLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(pSrc[i]) & 0x7F;
        const int k = i % 8;
        if (k == 0) {
            carry = c;
            continue;
        }
        pDst[out++] = static_cast<unsigned char>((c << (8 - k)) | carry);
        carry = static_cast<unsigned char>(c >> k);
    }
    if (nSrcLength > 0 && nSrcLength % 8) pDst[out++] = carry;
    return out;
}

int gsmDecode7bit(const unsigned char* pSrc, char* pDst, int nSrcLength)
{
    const std::string text = MapSeptets(UnpackSeptets(pSrc, nSrcLength > 0 ? nSrcLength : 0));
    std::memcpy(pDst, text.data(), text.size());
    pDst[text.size()] = '\0';
    return static_cast<int>(text.size());
}

int gsmEncode8bit(const char* pSrc, unsigned char* pDst, int nSrcLength)
{
    if (nSrcLength <= 0) return 0;
    std::memcpy(pDst, pSrc, nSrcLength);
    return nSrcLength;
}

int gsmDecode8bit(const unsigned char* pSrc, char* pDst, int nSrcLength)
{
    if (nSrcLength < 0) nSrcLength = 0;
    std::memcpy(pDst, pSrc, nSrcLength);
    pDst[nSrcLength] = '\0';
    return nSrcLength;
}

int gsmEncodeUcs2(const char* pSrc, unsigned char* pDst, int nSrcLength)
{
    if (nSrcLength <= 0) return 0;
    int out = 0;
    for (wchar_t wc : ANSIToUnicode(std::string(pSrc, nSrcLength))) {
        uint32_t cp = static_cast<uint32_t>(wc);
        if (cp > 0xFFFF && cp <= 0x10FFFF) {
            cp -= 0x10000;
            const uint32_t high = 0xD800 | (cp >> 10), low = 0xDC00 | (cp & 0x3FF);
            pDst[out++] = static_cast<unsigned char>(high >> 8);
            pDst[out++] = static_cast<unsigned char>(high);
            pDst[out++] = static_cast<unsigned char>(low >> 8);
            pDst[out++] = static_cast<unsigned char>(low);
        } else {
            pDst[out++] = static_cast<unsigned char>(cp >> 8);
            pDst[out++] = static_cast<unsigned char>(cp);
        }
    }
    return out;
}

int gsmDecodeUcs2(const unsigned char* pSrc, char* pDst, int nSrcLength)
{
    const std::string text = gsmDecodeNew2(pSrc, nSrcLength);
    std::memcpy(pDst, text.data(), text.size());
    return static_cast<int>(text.size());
}

std::string gsmDecodeNew2(const unsigned char* pSrc, int nSrcLength)
{
    if (nSrcLength <= 0) return std::string();
    return UnicodeToANSI(Ucs2Units(pSrc, nSrcLength));
}

int gsmEncode7bitLength(const char* pSrc, int nSrcLength)
{
    int septets = 0;
    for (int i = 0; i < nSrcLength; ++i) septets += std::strchr("\f^{}\\[]~|", pSrc[i]) && pSrc[i] ? 2 : 1;
    return septets;
}

// ---- multibyte and wide text ----

std::wstring ANSIToUnicode(const std::string& text)
{
    try {
        const std::string head(text.c_str());  // the conversion ends at the first zero byte
        std::wstring wide;
        if (EnvironmentToWide(head, wide)) return wide;
        // A POSIX default environment rejects every non-ASCII byte; UTF-8 is what such text is.
        if (Utf8ToWide(head, wide)) return wide;
        return std::wstring();
    } catch (...) {
        return std::wstring();
    }
}

std::string UnicodeToANSI(const std::wstring& text)
{
    try {
        std::string out;
        for (size_t i = 0; i < text.size() && text[i] != L'\0'; ++i) {
            uint32_t cp = static_cast<uint32_t>(text[i]);
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
                const uint32_t low = static_cast<uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
            if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
            AppendUtf8(out, cp);
        }
        return out;
    } catch (...) {
        return std::string();
    }
}

std::string UnicodeToUTF8(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::wstring UTF8ToUnicode(const std::string& text)
{
    std::wstring wide(text.size() / 2, L'\0');
    std::memcpy(&wide[0], text.data(), std::min(text.size(), wide.size() * sizeof(wchar_t)));
    return wide;
}

std::string UTF8ToANSI(const std::string& text)
{
    return UnicodeToANSI(UTF8ToUnicode(text));
}

std::string ANSIToUTF8(const std::string& text)
{
    return UnicodeToUTF8(ANSIToUnicode(text));
}

int Utf8ToGBK(const char*, char**)
{
    return 0;
}

// ---- SMS-SUBMIT encoding ----

std::string gsmEncodePduNew(const SM_PARAM& src, std::string& lengthCmd)
{
    std::string serviceCentre = "91" + InvertNumbers(WithoutPlus(FieldText(src.SCA)));
    serviceCentre = Hex2(static_cast<int>(serviceCentre.size() / 2)) + serviceCentre;

    const std::string destination = WithoutPlus(FieldText(src.TPA));
    std::string tpdu = "1100" + Hex2(static_cast<int>(destination.size())) + (src.nationalNumber ? "81" : "91") +
                       InvertNumbers(destination) + "0008";

    const std::string text = FieldText(src.TP_UD);
    std::vector<unsigned char> ucs2(text.size() * 2 + 2);
    const int octets = gsmEncodeUcs2(text.data(), ucs2.data(), static_cast<int>(text.size()));
    tpdu += "AA" + Hex2(octets) + BytesToHex(ucs2.data(), octets);

    lengthCmd = "AT+CMGS=" + std::to_string(tpdu.size() / 2) + "\r";
    return serviceCentre + tpdu + "\x1A";
}

int GetSubmitPdu(const SM_PARAM& src, char* pDst)
{
    const std::string serviceCentre = FieldText(src.SCA);
    const std::string destination = WithoutPlus(FieldText(src.TPA));
    int dcs = src.TP_DCS;
    if (src.flashSms) dcs = dcs == GSM_UCS2 ? 0x18 : 0x10;

    const std::string header = Hex2(static_cast<int>((serviceCentre.size() + 1) / 2 + 1)) + "91" +
                               InvertNumbers(serviceCentre) + "5100" + Hex2(static_cast<int>(destination.size())) +
                               (src.nationalNumber ? "A1" : "91") + InvertNumbers(destination) + Hex2(src.TP_PID) +
                               Hex2(dcs) + Hex2(ValidityOctet(src.validityMinutes));
    const size_t count = std::min(header.size(), static_cast<size_t>(SUBMIT_PDU_HEADER_SIZE - 1));
    std::memcpy(pDst, header.data(), count);
    pDst[count] = '\0';
    return static_cast<int>(count);
}

void gsmLongSmsPdu(const SM_PARAM& src, std::vector<std::string>& parts, bool)
{
    const uint16_t reference = NextSplitIndex();
    char header[SUBMIT_PDU_HEADER_SIZE];
    GetSubmitPdu(src, header);

    const std::string text = src.longText ? src.longText : "";
    const int length = static_cast<int>(text.size());
    std::vector<unsigned char> octets(text.size() * 2 + 2);
    int count;
    if (src.TP_DCS == GSM_7BIT)
        count = gsmEncode7bit(text.data(), octets.data(), length);
    else if (src.TP_DCS == GSM_8BIT)
        count = gsmEncode8bit(text.data(), octets.data(), length);
    else
        count = gsmEncodeUcs2(text.data(), octets.data(), length);
    octets.resize(count);

    const auto slices = SliceText(octets, src.TP_DCS);
    if (slices.size() > 255) return;  // the part number is one octet
    const int total = static_cast<int>(slices.size());
    for (int i = 0; i < total; ++i) {
        const size_t sliceOctets = slices[i].second;
        std::string userDataHeader;
        int userDataLength;
        if (src.TP_DCS == GSM_7BIT) {
            const int septets = i + 1 < total ? 152 : length - 152 * i;
            userDataLength = septets + 8;
            userDataHeader = "060804" + Hex2(reference >> 8) + Hex2(reference & 0xFF);
        } else {
            userDataLength = static_cast<int>(sliceOctets) + 6;
            userDataHeader = "050003" + Hex2(reference);
        }
        userDataHeader += Hex2(total) + Hex2(i + 1);
        parts.push_back(header + Hex2(userDataLength) + userDataHeader +
                        BytesToHex(octets.data() + slices[i].first, sliceOctets));
    }
}

int GetPushSubmitPdu(const SM_PARAM& src, char* pDst)
{
    const std::string serviceCentre = FieldText(src.SCA);
    const std::string destination = FieldText(src.TPA);
    const std::string header = Hex2(static_cast<int>((serviceCentre.size() + 1) / 2 + 1)) + "91" +
                               InvertNumbers(serviceCentre) + "4100" + Hex2(static_cast<int>(destination.size())) +
                               "91" + InvertNumbers(destination) + "00F5";
    const size_t count = std::min(header.size(), static_cast<size_t>(SUBMIT_PDU_HEADER_SIZE));
    std::memcpy(pDst, header.data(), count);
    return static_cast<int>(count);
}

// ---- stored PDU decoding ----

int gsmDecodePdu(const char* pSrc, SM_PARAM& dst)
{
    std::memset(dst.TP_UD, 0, sizeof dst.TP_UD);
    PduCursor pdu(pSrc);
    ReadServiceCentre(pdu, dst);
    const int firstOctet = pdu.Octet();
    ReadAddress(pdu, dst.TPA);
    dst.TP_PID = static_cast<unsigned char>(pdu.Octet());
    dst.TP_DCS = static_cast<unsigned char>(pdu.Octet());
    CopyField(dst.TP_SCTS, SerializeNumbers(pdu.Take(14)));
    const int udl = pdu.Octet();

    const Alphabet alphabet = AlphabetOf(dst.TP_DCS);
    const UserDataHeader header = ReadReceivedHeader(pdu, firstOctet, alphabet, udl);
    dst.isConcat = header.concat;
    // A WAP push carries no text to show.
    const UserText text = dst.TP_DCS == GSM_WAP_PUSH ? UserText() : ReadUserText(pdu, alphabet, udl, header.octets);
    if (dst.isConcat) StorePart(dst, header, text.chars);
    return StoreText(dst, text.shown);
}

int gsmDecodeSendPdu(const char* pSrc, SM_PARAM& dst)
{
    std::memset(dst.TP_UD, 0, sizeof dst.TP_UD);
    PduCursor pdu(pSrc);
    ReadServiceCentre(pdu, dst);
    const int firstOctet = pdu.Octet();
    pdu.Octet();  // message reference
    ReadAddress(pdu, dst.TPA);
    dst.TP_PID = static_cast<unsigned char>(pdu.Octet());
    dst.TP_DCS = static_cast<unsigned char>(pdu.Octet());
    switch ((firstOctet >> 3) & 0x03) {  // validity-period format
    case 0: break;                       // none
    case 2: pdu.Octet(); break;          // relative
    default: pdu.Octets(7); break;       // enhanced or absolute
    }
    const int udl = pdu.Octet();
    const int headerOctets = HasUserDataHeader(firstOctet) ? ReadUserDataHeader(pdu).octets : 0;
    return StoreText(dst, ReadUserText(pdu, AlphabetOf(dst.TP_DCS), udl, headerOctets).shown);
}

int gsmDecodeStatusReportPdu(const char*, SM_PARAM&)
{
    return 0;
}
