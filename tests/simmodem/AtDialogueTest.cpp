// The simulated modems' AT dialogue, without a line: what each device type answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AtDialogue.h"

using simmodem::AtDialogue;
using simmodem::CdmaRecord;
using simmodem::ModemConfig;
using simmodem::StoredPdu;

namespace {

const PHONE_TYPE_t ALL_TYPES[] = {PHONE_TYPE_K7040_NC5,   PHONE_TYPE_KL48_FT_ON, PHONE_TYPE_K7040_ME,
                                  PHONE_TYPE_KG520_ON,    PHONE_TYPE_K3350B_FT_ON, PHONE_TYPE_KC640_ON,
                                  PHONE_TYPE_KH900};

// Received SMS-DELIVER PDUs: "你好" from +8613810031080, "Hello demo" from +8613900000000.
const std::string PDU_NIHAO = "0891683108000000F0000D91683118001380F0000802709200956500044F60597D";
const std::string PDU_HELLO = "0891683108100005F0000D91683109000000F00008421031212325001400480065006C006C006F002000640065006D006F";

// Everything the dialogue answers to these bytes, in order.
std::string Say(AtDialogue& dialogue, const std::string& bytes)
{
    std::string out;
    simmodem::Received unit;
    for (char c : bytes) {
        if (dialogue.Push(c, unit) == AtDialogue::Step::Unit) {
            out += dialogue.Respond(unit);
        }
    }
    return out;
}

std::string Say(PHONE_TYPE_t type, const std::string& bytes)
{
    AtDialogue dialogue(ModemConfig::ForType(type));
    return Say(dialogue, bytes);
}

bool IccidQueryType(PHONE_TYPE_t type)
{
    return type == PHONE_TYPE_K7040_ME || type == PHONE_TYPE_KH900;
}

// The tool's identification rule: the first class, in its priority order, whose texts all stand
// in the answer.
PHONE_TYPE_t IdentifiedAs(const std::string& ati)
{
    const struct {
        PHONE_TYPE_t type;
        std::vector<std::string> needs;
    } rules[] = {{PHONE_TYPE_KL48_FT_ON, {"M35"}},     {PHONE_TYPE_K7040_NC5, {"CLM920_NC5", "OK"}},
                 {PHONE_TYPE_K7040_ME, {"ME909s-821"}}, {PHONE_TYPE_KG520_ON, {"KG520"}},
                 {PHONE_TYPE_K3350B_FT_ON, {"WAVECOM"}}, {PHONE_TYPE_KC640_ON, {"KC640"}},
                 {PHONE_TYPE_KH900, {"KH900"}}};
    for (const auto& rule : rules) {
        bool all = true;
        for (const std::string& text : rule.needs) {
            all = all && ati.find(text) != std::string::npos;
        }
        if (all) {
            return rule.type;
        }
    }
    return PHONE_TYPE_BASE;
}

} // namespace

TEST(SimDialogue, EachTypesIdentificationIsTakenForThatTypeAlone)
{
    for (PHONE_TYPE_t type : ALL_TYPES) {
        std::string ati = Say(type, "ATI\r\n");
        EXPECT_EQ(type, IdentifiedAs(ati)) << ati;
        EXPECT_EQ("\r\n", ati.substr(0, 2));
        EXPECT_EQ("\r\nOK\r\n", ati.substr(ati.size() - 6)) << type;
    }
    ModemConfig custom = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    custom.ati = "\r\nSomething else\r\n\r\nOK\r\n";
    AtDialogue dialogue(custom);
    EXPECT_EQ(custom.ati, Say(dialogue, "ATI\r\n"));
}

TEST(SimDialogue, IdentityAnswersHaveTheFormsTheJudgesReadThem)
{
    for (PHONE_TYPE_t type : ALL_TYPES) {
        ModemConfig config = ModemConfig::ForType(type);
        AtDialogue dialogue(config);
        SCOPED_TRACE(type);
        EXPECT_EQ("\r\n" + config.serial + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CGSN\r\n"));
        EXPECT_EQ("\r\n+CSQ: 23,99\r\n\r\nOK\r\n", Say(dialogue, "at+csq\r\n"));
        EXPECT_EQ("\r\n+COPS: 0,0,\"CHINA MOBILE\",7\r\n\r\nOK\r\n", Say(dialogue, "AT+COPS?\r"));
        std::string ccid = Say(dialogue, "AT+CCID\r\n");
        std::string iccid = Say(dialogue, "AT^ICCID?\r\n");
        std::string card = IccidQueryType(type) ? iccid : ccid;
        std::string other = IccidQueryType(type) ? ccid : iccid;
        EXPECT_EQ(std::string(IccidQueryType(type) ? "\r\n^ICCID: " : "\r\n+CCID: ") + config.iccid + "\r\n\r\nOK\r\n",
                  card);
        EXPECT_EQ("\r\nERROR\r\n", other);
        std::string centre = Say(dialogue, "AT+CSCA?\r\n");
        if (type == PHONE_TYPE_KC640_ON) {
            EXPECT_EQ("\r\nERROR\r\n", centre);
        } else {
            EXPECT_EQ("\r\n+CSCA: \"+8613800100500\",145\r\n\r\nOK\r\n", centre);
        }
    }
}

TEST(SimDialogue, StartUpListsOfEveryTypeAreAccepted)
{
    for (PHONE_TYPE_t type : ALL_TYPES) {
        AtDialogue dialogue(ModemConfig::ForType(type));
        std::string list = "AT+CMEE=1\r\nAT+CPMS=\"SM\"\r\nATE0\r\n";
        if (IccidQueryType(type)) {
            list += "AT^CURC=0\r\n";
        } else if (type == PHONE_TYPE_KC640_ON) {
            list += "AT^RSSIREP=0\r\n";
        }
        EXPECT_EQ(std::string::npos, Say(dialogue, list).find("ERROR")) << type;
    }
    EXPECT_EQ("\r\nERROR\r\n", Say(PHONE_TYPE_KL48_FT_ON, "AT^CURC=0\r\n"));
    EXPECT_EQ("\r\nERROR\r\n", Say(PHONE_TYPE_K7040_ME, "AT^RSSIREP=0\r\n"));
    EXPECT_EQ("\r\n+CPMS: 0,50,0,50,0,50\r\n\r\nOK\r\n", Say(PHONE_TYPE_KG520_ON, "AT+CPMS=\"SM\"\r\n"));
    // Blanks, letter case and noise before the command do not matter.
    EXPECT_EQ("\r\n+CPMS: \"SM\",0,50,\"SM\",0,50,\"SM\",0,50\r\n\r\nOK\r\n",
              Say(PHONE_TYPE_KG520_ON, "\x01" "at + cpms?\r\n"));
    EXPECT_EQ("", Say(PHONE_TYPE_KG520_ON, "\xFF\xFEgarbage\r\n"));
    EXPECT_EQ("\r\nERROR\r\n", Say(PHONE_TYPE_KG520_ON, "AT+NOSUCH\r\n"));
}

TEST(SimDialogue, ModemWithoutSimRefusesWhatNeedsTheCard)
{
    for (PHONE_TYPE_t type : ALL_TYPES) {
        ModemConfig config = ModemConfig::ForType(type);
        config.sim = false;
        AtDialogue dialogue(config);
        SCOPED_TRACE(type);
        EXPECT_EQ("\r\nERROR\r\n", Say(dialogue, IccidQueryType(type) ? "AT^ICCID?\r\n" : "AT+CCID\r\n"));
        EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+CMEE=1\r\n"));
        EXPECT_EQ("\r\n+CME ERROR: 10\r\n", Say(dialogue, IccidQueryType(type) ? "AT^ICCID?\r\n" : "AT+CCID\r\n"));
        EXPECT_EQ("\r\n+CME ERROR: 10\r\n", Say(dialogue, "AT+CPMS=\"SM\"\r\n"));
        EXPECT_EQ("\r\n+CPMS: 0,100,0,100,0,100\r\n\r\nOK\r\n", Say(dialogue, "AT+CPMS=\"ME\"\r\n"));
        EXPECT_EQ("\r\n+COPS: 0\r\n\r\nOK\r\n", Say(dialogue, "AT+COPS?\r"));
        std::string send = Say(dialogue, type == PHONE_TYPE_KC640_ON ? "AT^HCMGS=\"10086\"\r" : "AT+CMGS=20\r");
        EXPECT_EQ("\r\n+CMS ERROR: 310\r\n", send);
    }
}

TEST(SimDialogue, TypeTwoKeepsItsModeSetting)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_K7040_NC5);
    AtDialogue dialogue(config);
    EXPECT_EQ("\r\n^MODECONFIG: 2\r\n\r\nOK\r\n", Say(dialogue, "AT^MODECONFIG?\r"));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT^MODECONFIG=22\r"));
    EXPECT_EQ("\r\n^MODECONFIG: 22\r\n\r\nOK\r\n", Say(dialogue, "AT^MODECONFIG?\r"));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+ATVER=1\r"));

    config.modeConfig = -1;
    AtDialogue unsupported(config);
    EXPECT_EQ("\r\nERROR\r\n", Say(unsupported, "AT^MODECONFIG?\r"));
    EXPECT_EQ("\r\nERROR\r\n", Say(PHONE_TYPE_K7040_ME, "AT^MODECONFIG?\r"));
}

TEST(SimDialogue, ListingShowsTheSelectedStorageWithItsPdus)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    config.pdus = {{"SM", 1, 1, PDU_NIHAO}, {"SM", 4, 0, PDU_HELLO}, {"ME", -1, 1, PDU_HELLO}};
    AtDialogue dialogue(config);

    const std::string nihao = "\r\n+CMGL: 1,1,,24\r\n" + PDU_NIHAO;
    const std::string hello = "\r\n+CMGL: 4,0,,40\r\n" + PDU_HELLO;
    EXPECT_EQ(hello + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGL=0\r\n")) << "only the unread one";
    EXPECT_EQ(nihao + "\r\n+CMGL: 4,1,,40\r\n" + PDU_HELLO + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGL=4\r\n"))
        << "listed once, the unread message counts as read";

    EXPECT_EQ("\r\n+CPMS: 1,100,1,100,1,100\r\n\r\nOK\r\n", Say(dialogue, "AT+CPMS=\"ME\"\r\n"));
    EXPECT_EQ("\r\n+CMGL: 0,1,,40\r\n" + PDU_HELLO + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGL=4\r\n"));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+CMGD=0,4\r\n"));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+CMGL=4\r\n")) << "an empty storage";

    Say(dialogue, "AT+CPMS=\"SM\"\r\n");
    EXPECT_EQ(nihao + "\r\n+CMGL: 4,1,,40\r\n" + PDU_HELLO + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGL=4\r\n"))
        << "deleting the device storage leaves the SIM's";
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+CMGD=1\r\n"));
    EXPECT_EQ("\r\n+CMGL: 4,1,,40\r\n" + PDU_HELLO + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGL=4\r\n"));
}

TEST(SimDialogue, TypeTwoListsIndexesAndReadsOneByOne)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_K7040_NC5);
    config.pdus = {{"SM", 1, 1, PDU_NIHAO}, {"SM", 2, 1, PDU_HELLO}, {"SM", 5, 1, PDU_NIHAO}};
    AtDialogue dialogue(config);
    EXPECT_EQ("\r\n+CMGD: (1,2,5),(0-4)\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGD=?\r\n"));
    EXPECT_EQ("\r\n+CMGR: 1,,40\r\n" + PDU_HELLO + "\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGR=2\r\n"));
    Say(dialogue, "AT+CMEE=1\r\n");
    EXPECT_EQ("\r\n+CMS ERROR: 321\r\n", Say(dialogue, "AT+CMGR=3\r\n"));
    EXPECT_EQ("\r\n+CMS ERROR: 321\r\n", Say(dialogue, "AT+CMGR=1-3\r\n"));
    Say(dialogue, "AT+CPMS=\"ME\"\r\n");
    EXPECT_EQ("\r\n+CMGD: (),(0-4)\r\n\r\nOK\r\n", Say(dialogue, "AT+CMGD=?\r\n"));
}

TEST(SimDialogue, PduSendChecksTheBodyAgainstItsLength)
{
    const std::string body = "0011000D91683118001380F00008AA0400410042"; // 19 octets after the SCA field
    AtDialogue dialogue(ModemConfig::ForType(PHONE_TYPE_KG520_ON));
    Say(dialogue, "AT+CMEE=1\r\n");
    EXPECT_EQ("\r\n> ", Say(dialogue, "AT+CMGS=19\r"));
    EXPECT_EQ("\r\n+CMGS: 1\r\n\r\nOK\r\n", Say(dialogue, body + "\x1A"));
    EXPECT_EQ("\r\n> ", Say(dialogue, "AT+CMGS=18\r"));
    EXPECT_EQ("\r\n+CMS ERROR: 304\r\n", Say(dialogue, body + "\x1A")) << "a length that does not fit";
    EXPECT_EQ("\r\n> ", Say(dialogue, "AT+CMGS=19\r\n")) << "a line feed after the CR is not body";
    EXPECT_EQ("\r\n+CMS ERROR: 304\r\n", Say(dialogue, "00110G\x1A")) << "not hex";
    Say(dialogue, "AT+CMGS=19\r");
    EXPECT_EQ("", Say(dialogue, body + "\x1B")) << "Esc takes the message back";
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT\r\n")) << "and the modem takes commands again";
    Say(dialogue, "AT+CMGS=19\r");
    EXPECT_EQ("\r\n+CMGS: 2\r\n\r\nOK\r\n", Say(dialogue, body + "\x1A"));
}

TEST(SimDialogue, CdmaListsReadsAndSendsInItsOwnCommands)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KC640_ON);
    CdmaRecord ucs2;
    ucs2.index = 0;
    ucs2.sender = "13800138000";
    ucs2.text = "\xE4\xBD\xA0\xE5\xA5\xBD"; // 你好
    CdmaRecord ascii = ucs2;
    ascii.index = 3;
    ascii.format = 1;
    ascii.time = "2021-12-01 08:05:09";
    ascii.text = "Hello";
    config.cdma = {ucs2, ascii};
    AtDialogue dialogue(config);

    EXPECT_EQ("\r\n^HCMGL:0,1\r\n^HCMGL:3,1\r\n\r\nOK\r\n", Say(dialogue, "AT^HCMGL=4\r\n"));
    EXPECT_EQ("\r\n^HCMGR:13800138000,2020,07,29,10,30,00,0,6,4,0,0,0,1\r\n" +
                  std::string("\x4F\x60\x59\x7D\x00\x1A", 6) + "\r\n\r\nOK\r\n",
              Say(dialogue, "AT^HCMGR=0\r\n"));
    EXPECT_EQ("\r\n^HCMGR:13800138000,2021,12,01,08,05,09,0,1,5,0,0,0,1\r\nHello\x1A\r\n\r\nOK\r\n",
              Say(dialogue, "AT^HCMGR=3\r\n"));
    EXPECT_EQ("\r\nERROR\r\n", Say(dialogue, "AT+CMGL=4\r\n")) << "the GSM listing is not this modem's";

    EXPECT_EQ("\r\n> ", Say(dialogue, "AT^HCMGS=\"10086\"\r"));
    // U+4E1A carries a 0x1A byte; only the pair 00 1A ends the body.
    const std::string body("\x4E\x1A\x00\x41\x00\x1A", 6);
    EXPECT_EQ("", Say(dialogue, body.substr(0, 2)));
    EXPECT_EQ("\r\nOK\r\n\r\n^HCMGSS:1\r\n", Say(dialogue, body.substr(2)));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT+CMGD=0,4\r\n"));
    EXPECT_EQ("\r\nOK\r\n", Say(dialogue, "AT^HCMGL=4\r\n"));
}

TEST(SimDialogue, CommandLinesEndAtTheirCarriageReturn)
{
    AtDialogue dialogue(ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON));
    simmodem::Received unit;
    std::vector<AtDialogue::Step> steps;
    for (char c : std::string("AT\r\nAT\r")) {
        steps.push_back(dialogue.Push(c, unit));
    }
    using Step = AtDialogue::Step;
    EXPECT_EQ((std::vector<Step>{Step::Pending, Step::Pending, Step::Unit, Step::Trailer, Step::Pending,
                                 Step::Pending, Step::Unit}),
              steps);
    EXPECT_EQ("AT\r", unit.text);
    EXPECT_FALSE(unit.body);
}

TEST(SimDialogue, Utf8BecomesBigEndianUcs2)
{
    EXPECT_EQ(std::string("\x00\x41\x4F\x60\xFF\xFD", 6), simmodem::Utf8ToUcs2("A\xE4\xBD\xA0\xF0\x9F\x98\x80"));
    EXPECT_EQ(std::string("\xFF\xFD\xFF\xFD", 4), simmodem::Utf8ToUcs2("\xE4\xBD")) << "a cut character";
}
