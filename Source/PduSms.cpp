#include "PduSms.h"

#include <cstring>

#include "Sms.h"

namespace {

// Copies text with its terminator; the caller has checked that it fits.
template <size_t N>
void CopyText(char (&field)[N], const std::string& text)
{
    std::memcpy(field, text.c_str(), text.size() + 1);
}

template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

std::string WithoutPlus(const std::string& number)
{
    return !number.empty() && number[0] == '+' ? number.substr(1) : number;
}

// Digits without "+", "F"-filled to an even count, pairs exchanged.
std::string SwappedDigits(std::string digits)
{
    if (digits.size() % 2) digits += 'F';
    CStandardPdu::SwapNextTwoValue(&digits[0], static_cast<int>(digits.size()));
    return digits;
}

std::string HexOctet(int value)
{
    return std::string{CStandardPdu::ValueToHex(value / 16), CStandardPdu::ValueToHex(value % 16)};
}

template <size_t N>
void SetField(char (&field)[N], const std::string& text)
{
    const size_t count = text.size() < N ? text.size() : N;
    std::memcpy(field, text.data(), count);
}

}  // namespace

PDU_DATA::PDU_DATA()
{
    std::memset(scDigits, 0, sizeof scDigits);
    std::memset(destDigits, 0, sizeof destDigits);
    std::memset(userData, 0, sizeof userData);
}

bool CStandardPdu::InitSample(const std::string& smscNumber, const std::string& phoneNumber,
                              const std::string& text)
{
    if (smscNumber.size() > 15) return false;
    CopyText(smsc, smscNumber);
    if (phoneNumber.size() >= 32) return false;
    CopyText(phone, phoneNumber);
    if (text.size() >= 140) return false;
    CopyText(message, text);
    return true;
}

bool CStandardPdu::SaveToUCS2Data(char* pDst, int, int& totalLength, int& tpduLength)
{
    PDU_DATA pdu;
    const std::string serviceCentre = FieldText(smsc);
    smscType = IsSMSCInternal(serviceCentre) ? 0x91 : 0x81;
    SetField(pdu.scType, smscType == 0x91 ? "91" : "81");
    const std::string scDigits = SwappedDigits(WithoutPlus(serviceCentre));
    SetField(pdu.scDigits, scDigits);
    SetField(pdu.scLength, HexOctet(static_cast<int>(scDigits.size() / 2 + 1)));

    SetField(pdu.firstOctet, "11");
    SetField(pdu.messageReference, "00");
    const std::string destination = FieldText(phone);
    const std::string destDigits = WithoutPlus(destination);
    SetField(pdu.destLength, HexOctet(static_cast<int>(destDigits.size())));
    SetField(pdu.destType, IsSMSCInternal(destination) ? "91" : "81");
    const std::string destSwapped = SwappedDigits(destDigits);
    SetField(pdu.destDigits, destSwapped);
    SetField(pdu.protocolId, "00");
    SetField(pdu.dataCoding, "08");
    SetField(pdu.validity, "AA");

    const std::string text = FieldText(message);
    unsigned char ucs2[2 * sizeof message];
    const int octets = ToUnicode(text.c_str(), ucs2, static_cast<int>(text.size()));
    if (octets > 255) return false;
    char userData[2 * 255 + 1];
    const int userDataChars = gsmBytes2String(ucs2, userData, octets);
    int dataLength = AppendData(pdu.userData, 0, userData, userDataChars);
    dataLength = AppendData(pdu.userData, dataLength, "\x1A", 1);
    SetField(pdu.userDataLength, HexOctet(userDataChars / 2));

    int length = 0;
    length = AppendData(pDst, length, pdu.scLength, 2);
    length = AppendData(pDst, length, pdu.scType, 2);
    length = AppendData(pDst, length, pdu.scDigits, static_cast<int>(scDigits.size()));
    const int serviceCentreChars = length;
    length = AppendData(pDst, length, pdu.firstOctet, 2);
    length = AppendData(pDst, length, pdu.messageReference, 2);
    length = AppendData(pDst, length, pdu.destLength, 2);
    length = AppendData(pDst, length, pdu.destType, 2);
    length = AppendData(pDst, length, pdu.destDigits, static_cast<int>(destSwapped.size()));
    length = AppendData(pDst, length, pdu.protocolId, 2);
    length = AppendData(pDst, length, pdu.dataCoding, 2);
    length = AppendData(pDst, length, pdu.validity, 2);
    length = AppendData(pDst, length, pdu.userDataLength, 2);
    length = AppendData(pDst, length, pdu.userData, dataLength);

    totalLength = length;
    tpduLength = length - serviceCentreChars - 1;
    return true;
}

std::vector<PDU_Send_Base_t> CStandardPdu::CreateLongPduSmsFromData(const std::string&, const std::string&,
                                                                    const std::string&)
{
    return std::vector<PDU_Send_Base_t>();
}

bool CStandardPdu::IsSMSCInternal(const std::string& number)
{
    return !number.empty() && number[0] == '+';
}

int CStandardPdu::AppendData(char* pDst, int length, const char* pSrc, int count)
{
    std::memcpy(pDst + length, pSrc, count);
    return length + count;
}

bool CStandardPdu::SwapNextTwoValue(char* text, int length)
{
    if (length % 2) return false;
    for (int i = 0; i + 1 < length; i += 2) {
        const char first = text[i];
        text[i] = text[i + 1];
        text[i + 1] = first;
    }
    return true;
}

int CStandardPdu::ToUnicode(const char*, unsigned char*, int)
{
    return 0;
}

char CStandardPdu::ValueToHex(int value)
{
    if (value >= 0 && value <= 9) return static_cast<char>('0' + value);
    if (value >= 10 && value <= 15) return static_cast<char>('A' + value - 10);
    return '0';
}

int CStandardPdu::HexToValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int CStandardPdu::gsmBytes2String(const unsigned char* pSrc, char* pDst, int count)
{
    return ::gsmBytes2String(pSrc, pDst, count);
}
