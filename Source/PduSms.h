// A second, self-contained builder of a single-part UCS-2 SMS-SUBMIT hex PDU. Nothing in the tool
// uses it; the send steps use gsmEncodePduNew and gsmLongSmsPdu (Sms.h). Its text conversion and
// its concatenated-message operation do nothing, so its PDUs carry an empty text.
#ifndef ZAVRIX_PDUSMS_H
#define ZAVRIX_PDUSMS_H

#include <string>
#include <vector>

// Element of the list CreateLongPduSmsFromData returns; nothing gives it content.
struct PDU_Send_Base_t {
};

// Scratch record of SaveToUCS2Data: the fields of a single-part PDU as hex characters.
struct PDU_DATA {
    PDU_DATA();

    char scLength[2];
    char scType[2];
    char scDigits[16];
    char firstOctet[2];
    char messageReference[2];
    char destLength[2];
    char destType[2];
    char destDigits[32];
    char protocolId[2];
    char dataCoding[2];
    char validity[2];
    char userDataLength[2];
    char userData[1024];
};

// Room SaveToUCS2Data needs in its output buffer.
constexpr int STANDARD_PDU_MAX_LENGTH = static_cast<int>(sizeof(PDU_DATA)) + 1;

class CStandardPdu {
public:
    // False as soon as one text is too long (service centre over 15, destination 32 or more,
    // text 140 bytes or more); the texts checked before it stay copied.
    bool InitSample(const std::string& smscNumber, const std::string& phoneNumber, const std::string& text);
    // Writes the PDU hex text and Ctrl-Z to pDst (STANDARD_PDU_MAX_LENGTH bytes), not terminated.
    // totalLength gets the characters written, tpduLength the TPDU characters without Ctrl-Z.
    bool SaveToUCS2Data(char* pDst, int unused, int& totalLength, int& tpduLength);
    std::vector<PDU_Send_Base_t> CreateLongPduSmsFromData(const std::string& smsc, const std::string& phone,
                                                          const std::string& message);
    static bool IsSMSCInternal(const std::string& number);
    // Copies count bytes behind the length bytes of pDst; returns the new length.
    static int AppendData(char* pDst, int length, const char* pSrc, int count);
    // Exchanges the two characters of each pair; false (text unchanged) for an odd length.
    static bool SwapNextTwoValue(char* text, int length);
    // Writes nothing; returns 0.
    static int ToUnicode(const char* pSrc, unsigned char* pDst, int count);
    // "0".."9", "A".."F" for 0..15, "0" for anything else.
    static char ValueToHex(int value);
    // 0..15 for "0".."9", "A".."F"; -1 for anything else.
    static int HexToValue(char c);
    static int gsmBytes2String(const unsigned char* pSrc, char* pDst, int count);

private:
    unsigned char smscType = 0;
    char smsc[16] = {};
    char phone[32] = {};
    char message[140] = {};
};

#endif
