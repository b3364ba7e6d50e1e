// The fleet file of the zavrix-simmodem program and the escaped text of its transcripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FleetConfig.h"
#include "Transcript.h"

using simmodem::FaultKind;
using simmodem::FleetEntry;

TEST(SimConfig, FleetFileFillsEveryMember)
{
    const char* json = R"({"modems": [
      {"usb": 4, "type": 7, "sim": false, "iccid": "1234", "serial": "ABCDEF01", "rssi": 5, "ber": 1,
       "centre": "+861", "operator": "CHN-CT", "rates": [9600, 115200], "wrongRate": "garbage",
       "echo": false, "ati": "\\r\\nKC640\\r\\nOK\\r\\n",
       "cdma": [{"storage": "ME", "index": 2, "status": 0, "sender": "10086", "time": "2020-01-02 03:04:05",
                 "format": 1, "text": "hi"}],
       "faults": [{"kind": "bodyError", "number": 512, "times": 2},
                  {"kind": "split", "on": "ATI", "bytes": 3, "pauseMs": 20},
                  {"kind": "replace", "on": "AT+CSQ", "text": "\\x00\\r\\n"}]},
      {"usb": 0, "type": 2, "modeconfig": 22,
       "sms": [{"storage": "SM", "status": 1, "pdu": "0011"}]}]})";
    std::vector<FleetEntry> fleet;
    std::string error;
    ASSERT_TRUE(simmodem::ParseFleet(json, fleet, error)) << error;
    ASSERT_EQ(2u, fleet.size());

    const simmodem::ModemConfig& cdma = fleet[0].config;
    EXPECT_EQ(4, fleet[0].usb);
    EXPECT_EQ(PHONE_TYPE_KC640_ON, cdma.type);
    EXPECT_FALSE(cdma.sim);
    EXPECT_EQ("1234", cdma.iccid);
    EXPECT_EQ("ABCDEF01", cdma.serial);
    EXPECT_EQ(5, cdma.rssi);
    EXPECT_EQ(1, cdma.ber);
    EXPECT_EQ("+861", cdma.centre);
    EXPECT_EQ("CHN-CT", cdma.operatorName);
    EXPECT_EQ((std::vector<int>{9600, 115200}), cdma.rates);
    EXPECT_TRUE(cdma.garbageOnWrongRate);
    EXPECT_FALSE(cdma.echo);
    EXPECT_EQ("\r\nKC640\r\nOK\r\n", cdma.ati);
    ASSERT_EQ(1u, cdma.cdma.size());
    EXPECT_EQ("ME", cdma.cdma[0].storage);
    EXPECT_EQ(2, cdma.cdma[0].index);
    EXPECT_EQ(0, cdma.cdma[0].status);
    EXPECT_EQ("10086", cdma.cdma[0].sender);
    EXPECT_EQ("2020-01-02 03:04:05", cdma.cdma[0].time);
    EXPECT_EQ(1, cdma.cdma[0].format);
    EXPECT_EQ("hi", cdma.cdma[0].text);
    ASSERT_EQ(3u, cdma.faults.size());
    EXPECT_EQ(FaultKind::Replace, cdma.faults[0].kind);
    EXPECT_EQ(">", cdma.faults[0].on);
    EXPECT_EQ("\r\n+CMS ERROR: 512\r\n", cdma.faults[0].text);
    EXPECT_EQ(2, cdma.faults[0].times);
    EXPECT_EQ(FaultKind::Split, cdma.faults[1].kind);
    EXPECT_EQ(3u, cdma.faults[1].bytes);
    EXPECT_EQ(20, cdma.faults[1].pauseMs);
    EXPECT_EQ(-1, cdma.faults[1].times);
    EXPECT_EQ(std::string("\0\r\n", 3), cdma.faults[2].text);

    const simmodem::ModemConfig& nc5 = fleet[1].config;
    EXPECT_EQ(22, nc5.modeConfig);
    EXPECT_TRUE(nc5.sim);
    EXPECT_EQ(simmodem::ModemConfig::ForType(PHONE_TYPE_K7040_NC5).serial, nc5.serial);
    ASSERT_EQ(1u, nc5.pdus.size());
    EXPECT_EQ(-1, nc5.pdus[0].index);
    EXPECT_EQ("0011", nc5.pdus[0].pdu);
}

TEST(SimConfig, FleetFileErrorsNameTheirPlace)
{
    const struct {
        const char* json;
        const char* error;
    } cases[] = {
        {"{", "not JSON"},
        {R"({"modem": []})", "fleet.modem: unknown member"},
        {R"({})", "fleet.modems: missing"},
        {R"({"modems": [{"type": 3}]})", "fleet.modems[0]: must be an object with \"usb\" and \"type\""},
        {R"({"modems": [{"usb": 0, "type": 9}]})", "fleet.modems[0].type: must be a device type from 2 to 8"},
        {R"({"modems": [{"usb": 0, "type": 3, "sim_card": true}]})", "fleet.modems[0].sim_card: unknown member"},
        {R"({"modems": [{"usb": 0, "type": 3, "rssi": "high"}]})", "fleet.modems[0].rssi: must be an integer"},
        {R"({"modems": [{"usb": 0, "type": 3}, {"usb": 0, "type": 4}]})", "fleet.modems[1].usb: ttyUSB0 given twice"},
        {R"({"modems": [{"usb": 0, "type": 3, "sms": [{"storage": "XX"}]}]})",
         "fleet.modems[0].sms[0].storage: must be \"SM\" or \"ME\""},
        {R"({"modems": [{"usb": 0, "type": 3, "faults": [{"kind": "fire"}]}]})",
         "fleet.modems[0].faults[0].kind: must be one of"},
        {R"({"modems": [{"usb": 0, "type": 3, "rates": [9600, "fast"]}]})",
         "fleet.modems[0].rates: must be an array of integers"},
    };
    for (const auto& c : cases) {
        std::vector<FleetEntry> fleet;
        std::string error;
        EXPECT_FALSE(simmodem::ParseFleet(c.json, fleet, error)) << c.json;
        EXPECT_EQ(0u, error.find(c.error)) << c.json << " gave " << error;
    }
}

TEST(SimConfig, EscapedBytesComeBackUnchanged)
{
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    std::string escaped = simmodem::EscapeBytes(all);
    for (char c : escaped) {
        EXPECT_TRUE(c >= 0x20 && c < 0x7F);
    }
    EXPECT_EQ(all, simmodem::UnescapeBytes(escaped));
    EXPECT_EQ("AT^HCMGS=\"1\"\\r\\x00\\x1A\\\\", simmodem::EscapeBytes(std::string("AT^HCMGS=\"1\"\r\0\x1A\\", 16)));
    EXPECT_EQ("\\q\\x4", simmodem::UnescapeBytes("\\q\\x4")) << "unknown escapes stay as they are";

    simmodem::TranscriptEntry heard{"AT\r\n", 9600, true, false};
    simmodem::TranscriptEntry unheard{"AT\r", 115200, false, false};
    simmodem::TranscriptEntry body{"00\x1A", 9600, true, true};
    EXPECT_EQ("9600 cmd AT\\r\\n\n115200 unheard AT\\r\n9600 body 00\\x1A\n",
              simmodem::FormatTranscript({heard, unheard, body}));
}
