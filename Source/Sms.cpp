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

// The text as UCS-2 hex, each byte one character (7-bit and 8-bit parts for the joining reader).
std::string BytesAsUcs2Hex(const std::string& text)
{
    std::string hex;
    for (unsigned char c : text) hex += "00" + Hex2(c);
    return hex;
}

// GSM septets to characters: 0x00 is "@", the escape pairs of the extension table give their
// character, every other septet stands for itself.
std::string MapSeptets(const std::vector<unsigned char>& septets)
{
    std::string text;
    for (size_t i = 0; i < septets.size(); ++i) {
        const unsigned char c = septets[i];
        if (c == 0x00) {
            text += '@';
            continue;
        }
        if (c == 0x1B && i + 1 < septets.size()) {
            char escaped = 0;
            switch (septets[i + 1]) {
            case 0x0A: escaped = '\f'; break;
            case 0x14: escaped = '^'; break;
            case 0x28: escaped = '{'; break;
            case 0x29: escaped = '}'; break;
            case 0x2F: escaped = '\\'; break;
            case 0x3C: escaped = '['; break;
            case 0x3D: escaped = '~'; break;
            case 0x3E: escaped = ']'; break;
            case 0x40: escaped = '|'; break;
            default: break;
            }
            if (escaped) {
                text += escaped;
                ++i;
                continue;
            }
        }
        text += static_cast<char>(c);
    }
    return text;
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

    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    const char* Here() const { return text_ + pos_; }
    void Seek(size_t pos) { pos_ = std::min(pos, size_); }

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
    CopyField(field, MapSeptets(septets));
}

// The user data of udl septets (7-bit) or octets at the cursor as text; skipHeader drops the
// 6-octet concatenation header (7 septets with its fill bit in 7-bit text).
std::string ReadUserText(PduCursor& pdu, unsigned char dcs, int udl, bool skipHeader)
{
    if (dcs == GSM_7BIT) {
        const std::vector<unsigned char> octets = pdu.Octets((static_cast<size_t>(udl) * 7 + 7) / 8);
        std::vector<unsigned char> septets = UnpackSeptets(octets.data(), octets.size());
        septets.resize(std::min(septets.size(), static_cast<size_t>(udl)));
        if (skipHeader) septets.erase(septets.begin(), septets.begin() + std::min<size_t>(7, septets.size()));
        return MapSeptets(septets);
    }
    const int headerOctets = skipHeader ? 6 : 0;
    if (udl < headerOctets) return std::string();
    pdu.Octets(static_cast<size_t>(headerOctets));
    const std::vector<unsigned char> octets = pdu.Octets(static_cast<size_t>(udl - headerOctets));
    if (dcs == GSM_8BIT) return std::string(octets.begin(), octets.end());
    return gsmDecodeNew2(octets.data(), static_cast<int>(octets.size()));
}

void ReadConcatHeader(PduCursor& pdu, int udl, SM_PARAM& dst)
{
    const size_t header = pdu.Position();
    pdu.Take(6);
    dst.concatRef = static_cast<uint16_t>(pdu.Octet());
    dst.concatTotal = static_cast<uint16_t>(pdu.Octet());
    dst.concatSeq = static_cast<uint16_t>(pdu.Octet());
    std::memset(dst.concatHex, 0, sizeof dst.concatHex);
    CopyField(dst.concatHex, udl > 6 ? pdu.Take(static_cast<size_t>(udl - 6) * 2) : std::string());
    dst.concatHexLen = static_cast<int32_t>(std::strlen(dst.concatHex));
    pdu.Seek(header);
}

int StoreText(SM_PARAM& dst, const std::string& text)
{
    const size_t count = std::min(text.size(), sizeof dst.TP_UD - 1);
    std::memcpy(dst.TP_UD, text.data(), count);
    dst.TP_UD[count] = '\0';
    return static_cast<int>(count);
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

    // Recognised on the content, as modems store parts whose first octet lacks the header flag.
    dst.isConcat = firstOctet != 0x04 && firstOctet != 0x24 && pdu.Remaining() > 12 &&
                   std::strncmp(pdu.Here(), "050003", 6) == 0;
    if (dst.isConcat) ReadConcatHeader(pdu, udl, dst);

    if (dst.TP_DCS == GSM_WAP_PUSH) return 0;  // a WAP push carries no text to show
    const std::string text = ReadUserText(pdu, dst.TP_DCS, udl, dst.isConcat);
    if (dst.isConcat && (dst.TP_DCS == GSM_7BIT || dst.TP_DCS == GSM_8BIT)) {
        CopyField(dst.concatHex, BytesAsUcs2Hex(text));
        dst.concatHexLen = static_cast<int32_t>(std::strlen(dst.concatHex));
    }
    return StoreText(dst, text);
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
    const unsigned char dcs = dst.TP_DCS == GSM_7BIT || dst.TP_DCS == GSM_8BIT ? dst.TP_DCS : GSM_UCS2;
    return StoreText(dst, ReadUserText(pdu, dcs, udl, false));
}

int gsmDecodeStatusReportPdu(const char*, SM_PARAM&)
{
    return 0;
}
