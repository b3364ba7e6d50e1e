// SMS PDU codec: the message record, hex/semi-octet/7-bit/8-bit/UCS-2 conversions, the SMS-SUBMIT
// encoders and the decoders of stored SMS-DELIVER and SMS-SUBMIT PDUs. Plain functions, no state
// except the concatenation reference counter of gsmLongSmsPdu.
//
// Threads: the text conversions switch the process-wide character-type locale (ANSIToUnicode), and
// gsmLongSmsPdu advances an unguarded counter. Call the codec from the main thread only (the send
// and read jobs), never from the detection threads.
#ifndef ZAVRIX_SMS_H
#define ZAVRIX_SMS_H

#include <cstdint>
#include <string>
#include <vector>

// Data coding schemes the codec knows.
constexpr unsigned char GSM_7BIT = 0x00;
constexpr unsigned char GSM_8BIT = 0x04;
constexpr unsigned char GSM_UCS2 = 0x08;
constexpr unsigned char GSM_WAP_PUSH = 0xF5;

// Room GetSubmitPdu and GetPushSubmitPdu need for their header text, terminator included.
constexpr int SUBMIT_PDU_HEADER_SIZE = 80;

// One message as the encoders read it and the decoders fill it. Plain data: clear it with memset
// before filling it for a send; the decoders write only the fields they document.
struct SM_PARAM {
    uint16_t concatSeq;          // part number from the concatenation header, from 1
    int32_t validityMinutes;     // validity of concatenated parts; 0 = 24 hours
    char SCA[16];                // service centre, digits with an optional leading "+"
    char TPA[32];                // destination (send, stored SMS-SUBMIT) or originator (SMS-DELIVER)
    unsigned char TP_PID;        // protocol identifier
    unsigned char TP_DCS;        // data coding scheme as sent or received (GSM_7BIT, GSM_UCS2, ...)
    char TP_SCTS[15];            // service-centre time stamp, 14 digits yyMMddhhmmsszz
    const char* longText;        // text of a concatenated message to send; owned by the caller
    // Text of a single-part message to send (at most 160 bytes), or the decoded text, terminated.
    // Wider than a send needs: the longest user data a PDU can carry (255 septets or octets) fits
    // at three UTF-8 bytes a character, so no decoded text is ever cut.
    char TP_UD[768];
    bool nationalNumber;         // destination type 0x81 (single part) / 0xA1 (concatenated), else 0x91
    bool flashSms;               // send concatenated parts as class 0
    // This part's text as UCS-2 hex after the user-data header, terminated; the stored-message
    // reader joins the parts from it. 7-bit and 8-bit parts are given as UCS-2 as well.
    char concatHex[1024];
    int32_t concatHexLen;        // characters in concatHex
    bool isConcat;               // the decoded message is one part of a concatenated message
    uint16_t concatRef;          // concatenation reference
    uint16_t concatTotal;        // number of parts
    bool concatRef16Bit;         // concatRef is a 16-bit reference; never the same message as an 8-bit one
};

// ---- hex and semi-octets ----

// Hex text to octets: converts whole pairs of the first nSrcLength characters; "a" to "f" read like
// "A" to "F". Returns nSrcLength / 2.
int gsmString2Bytes(const char* pSrc, unsigned char* pDst, int nSrcLength);
// Octets to upper-case hex text, terminated. Returns 2 * nSrcLength.
int gsmBytes2String(const unsigned char* pSrc, char* pDst, int nSrcLength);
// Digits to swapped semi-octets ("123" -> "21F3"), terminated. Returns the characters written.
int gsmInvertNumbers(const char* pSrc, char* pDst, int nSrcLength);
// Swapped semi-octets back to digits ("21F3" -> "123"), a trailing "F" dropped, terminated.
int gsmSerializeNumbers(const char* pSrc, char* pDst, int nSrcLength);

// ---- user data alphabets ----

// Packs nSrcLength 7-bit characters (taken as they are). Returns ceil(7n / 8) octets.
int gsmEncode7bit(const char* pSrc, unsigned char* pDst, int nSrcLength);
// Unpacks nSrcLength octets (n + n / 7 septets) and maps them through the GSM 7-bit default
// alphabet and its extension table to UTF-8, terminated. pDst needs 2 * (n + n / 7) + 1 bytes.
// Returns the bytes written.
int gsmDecode7bit(const unsigned char* pSrc, char* pDst, int nSrcLength);
int gsmEncode8bit(const char* pSrc, unsigned char* pDst, int nSrcLength);
// Copies nSrcLength octets and terminates them.
int gsmDecode8bit(const unsigned char* pSrc, char* pDst, int nSrcLength);
// Text in the environment's encoding (UTF-8 when that rejects it) to UTF-16 big-endian octets;
// characters above U+FFFF become surrogate pairs. pDst needs 2 * nSrcLength bytes. Returns the
// octets written, 0 for a text that does not convert.
int gsmEncodeUcs2(const char* pSrc, unsigned char* pDst, int nSrcLength);
// UTF-16 big-endian octets to UTF-8, no terminator; a zero unit ends the text, an odd last octet is
// ignored. pDst needs 2 * nSrcLength bytes. Returns the bytes written.
int gsmDecodeUcs2(const unsigned char* pSrc, char* pDst, int nSrcLength);
// UTF-16 big-endian octets to a UTF-8 string.
std::string gsmDecodeNew2(const unsigned char* pSrc, int nSrcLength);
// Septets the text needs in the GSM alphabet (2 for the characters sent as escape pairs).
int gsmEncode7bitLength(const char* pSrc, int nSrcLength);

// ---- multibyte and wide text ----

// Text in the environment's encoding to wide characters, up to the first zero byte; a text the
// environment rejects is read as UTF-8 when it is valid UTF-8, otherwise the result is empty.
std::wstring ANSIToUnicode(const std::string& text);
// Wide characters (UTF-16 surrogate pairs joined) to UTF-8, up to the first zero; a lone surrogate
// or a value beyond U+10FFFF becomes U+FFFD. Independent of the installed locales.
std::string UnicodeToANSI(const std::wstring& text);
// Raw copies of the first bytes of the other string's storage, no character conversion.
std::string UnicodeToUTF8(const std::wstring& text);
std::wstring UTF8ToUnicode(const std::string& text);
std::string UTF8ToANSI(const std::string& text);
std::string ANSIToUTF8(const std::string& text);
// Does nothing and returns 0; *ppDst keeps its value.
int Utf8ToGBK(const char* pSrc, char** ppDst);

// ---- SMS-SUBMIT encoding ----

// Single-part UCS-2 SMS-SUBMIT of TP_UD (at most 140 octets of UCS-2) to SCA/TPA, as hex text
// followed by Ctrl-Z; lengthCmd becomes "AT+CMGS=<TPDU octets>\r".
std::string gsmEncodePduNew(const SM_PARAM& src, std::string& lengthCmd);
// Header of a concatenated part (service centre to validity period) into pDst
// (SUBMIT_PDU_HEADER_SIZE bytes), terminated. Returns its length.
int GetSubmitPdu(const SM_PARAM& src, char* pDst);
// Appends one hex PDU per part of the text at longText (no Ctrl-Z), each beginning with its
// service-centre length octet. Appends nothing for an empty text or one of more than 255 parts.
// The flag has no effect.
void gsmLongSmsPdu(const SM_PARAM& src, std::vector<std::string>& parts, bool flag);
// Header of a WAP-push submission into pDst (SUBMIT_PDU_HEADER_SIZE bytes), not terminated.
// Returns its length.
int GetPushSubmitPdu(const SM_PARAM& src, char* pDst);

// ---- stored PDU decoding ----
// Both read nothing past the terminator of pSrc and write nothing past a field, whatever the
// lengths in the PDU claim. They return the number of bytes decoded into TP_UD.

// The alphabet comes from the data coding groups; a user-data header is read when the first octet
// announces one.
// SMS-DELIVER: writes TP_UD, SCA, TPA, TP_PID, TP_DCS, TP_SCTS, isConcat, and for a concatenated
// part concatRef, concatRef16Bit, concatTotal, concatSeq, concatHex, concatHexLen. User data that
// begins with a whole concatenation header with an 8-bit reference is a part without the
// indicator too, unless the first octet is 04 or 24. A header that runs past the user data makes
// no part.
int gsmDecodePdu(const char* pSrc, SM_PARAM& dst);
// Stored SMS-SUBMIT: writes TP_UD, SCA, TPA, TP_PID, TP_DCS; a header, read only under its
// indicator, is left out of the text.
int gsmDecodeSendPdu(const char* pSrc, SM_PARAM& dst);
// Reads and writes nothing; returns 0.
int gsmDecodeStatusReportPdu(const char* pSrc, SM_PARAM& dst);

#endif
