// Whole device scans among simulated modems, run in a private /dev (never on the machine's ports).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanRun.h"

namespace {

using simmodem::Fault;
using simmodem::ModemConfig;

const PHONE_TYPE_t ALL_TYPES[] = {PHONE_TYPE_KL48_FT_ON, PHONE_TYPE_K7040_NC5, PHONE_TYPE_K7040_ME, PHONE_TYPE_KG520_ON,
                                  PHONE_TYPE_K3350B_FT_ON, PHONE_TYPE_KC640_ON, PHONE_TYPE_KH900};

void ExpectNoModem(const ScanRecord& r)
{
    EXPECT_FALSE(r.atFound) << r.port;
    EXPECT_TRUE(r.probed) << r.port;
    EXPECT_EQ(r.baud, 115200) << r.port;
    EXPECT_EQ(r.type, PHONE_TYPE_BASE) << r.port;
    EXPECT_EQ(r.number + r.signal + r.serial + r.ati, "") << r.port;
}

std::vector<std::string> Ports(const ScanRun& scan)
{
    std::vector<std::string> ports;
    for (const ScanRecord& r : scan.Records()) ports.push_back(r.port);
    return ports;
}

TEST(ScanThreaded, EverySevenTypesIsFoundAtTheRateItAnswersSortedByPath)
{
    // USB numbers chosen so that byte order and number order differ.
    const int usbs[] = {0, 1, 2, 10, 3, 4, 5};
    const int onlyFast = 4; // the CDMA modem hears 115200 only
    SimFleet fleet;
    std::vector<int> all;
    for (int i = 0; i < 7; i++) {
        ModemConfig config = ModemConfig::ForType(ALL_TYPES[i]);
        if (usbs[i] == onlyFast) config.rates = {115200};
        ASSERT_TRUE(fleet.Add(usbs[i], config));
        all.push_back(usbs[i]);
    }
    ScanRun scan = RunScan(fleet, all);

    EXPECT_EQ(Ports(scan), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                                      "/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyUSB3", "/dev/ttyUSB4",
                                                      "/dev/ttyUSB5"}));
    ASSERT_EQ(scan.Records().size(), 9u);
    ExpectNoModem(scan.Records()[0]);
    ExpectNoModem(scan.Records()[1]);
    for (int i = 0; i < 7; i++) {
        const ModemConfig& config = fleet[usbs[i]].Config();
        const ScanRecord& r = scan.Port(usbs[i]);
        SCOPED_TRACE(r.port);
        EXPECT_TRUE(r.atFound);
        EXPECT_EQ(r.type, ALL_TYPES[i]);
        EXPECT_EQ(r.baud, usbs[i] == onlyFast ? 115200 : 9600);
        EXPECT_EQ(r.number, config.iccid);
        EXPECT_EQ(r.serial, config.serial);
        EXPECT_EQ(r.signal, " 23,99");
        EXPECT_EQ(r.ati, simmodem::ReferenceAti(ALL_TYPES[i], config.serial));
        EXPECT_EQ(TypeOfAti(r.ati), r.type);
        EXPECT_EQ(r.cops, "0,0,\"CHINA MOBILE\",7");
        for (const simmodem::TranscriptEntry& entry : fleet[usbs[i]].Transcript()) {
            // Found at 9600 and never opened at 115200; or found only on the second attempt.
            if (usbs[i] == onlyFast) {
                EXPECT_EQ(entry.heard, entry.baud == 115200) << entry.text;
            } else {
                EXPECT_EQ(entry.baud, 9600) << entry.text;
            }
        }
    }
}

TEST(ScanThreaded, MorePortsThanFrameworkSlotsAreAllProbedProperly)
{
    SimFleet fleet;
    std::vector<int> usbs;
    for (int usb = 0; usb < 20; usb++) {
        ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
        config.serial = "8675840300001" + std::to_string(10 + usb);
        config.rates = {9600}; // deaf to a line left unconfigured
        ASSERT_TRUE(fleet.Add(usb, config));
        usbs.push_back(usb);
    }
    ScanRun scan = RunScan(fleet, usbs, {"--quiet", "--scans", "2"});
    ASSERT_EQ(scan.scans.size(), 2u);
    EXPECT_EQ(scan.scans[0].size(), 22u);
    ASSERT_EQ(scan.Records().size(), 22u);
    for (int usb : usbs) {
        const ScanRecord& r = scan.Port(usb);
        EXPECT_TRUE(r.atFound) << r.port;
        EXPECT_EQ(r.baud, 9600) << r.port;
        EXPECT_EQ(r.serial, fleet[usb].Config().serial) << r.port;
        for (const simmodem::TranscriptEntry& entry : fleet[usb].Transcript()) {
            EXPECT_EQ(entry.baud, 9600) << r.port << " " << entry.text;
        }
    }
}

TEST(ScanFallback, PortsWhoseThreadCannotStartAreProbedAllTheSame)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    ASSERT_TRUE(fleet.Add(1, PHONE_TYPE_KH900));
    ScanRun scan = RunScan(fleet, {0, 1}, {"--no-threads"});
    EXPECT_EQ(Ports(scan), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
    EXPECT_EQ(scan.Port(0).type, PHONE_TYPE_KL48_FT_ON);
    EXPECT_EQ(scan.Port(1).type, PHONE_TYPE_KH900);
}

TEST(ScanThreaded, WithoutUsbPortsOnlyTheTwoSerialPortsAreListed)
{
    SimFleet fleet;
    ScanRun scan = RunScan(fleet, {});
    EXPECT_EQ(Ports(scan), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS1"}));
    for (const ScanRecord& r : scan.Records()) ExpectNoModem(r);
}

TEST(ScanThreaded, ModemWithoutSimGetsNoSignalExchangeAndNoModeSteps)
{
    SimFleet fleet;
    for (int usb : {0, 1}) {
        ModemConfig config = ModemConfig::ForType(usb == 0 ? PHONE_TYPE_K7040_NC5 : PHONE_TYPE_KL48_FT_ON);
        config.sim = false;
        ASSERT_TRUE(fleet.Add(usb, config));
    }
    ScanRun scan = RunScan(fleet, {0, 1});
    for (int usb : {0, 1}) {
        const ScanRecord& r = scan.Port(usb);
        SCOPED_TRACE(r.port);
        EXPECT_TRUE(r.atFound);
        EXPECT_EQ(r.number, "");
        EXPECT_EQ(r.signal, "");
        EXPECT_EQ(r.serial, fleet[usb].Config().serial);
        EXPECT_EQ(HeardStarting(fleet[usb], "AT+CSQ").size(), 0u);
        EXPECT_EQ(HeardStarting(fleet[usb], "AT^MODECONFIG").size(), 0u);
        EXPECT_EQ(HeardStarting(fleet[usb], "AT+COPS").size(), 0u);
    }
    EXPECT_TRUE(scan.lines.empty());
}

struct ModeRow {
    const char* name;
    int modeConfig;       // what the modem holds; -1 answers ERROR
    int rssi;
    const char* op;
    std::vector<Fault> faults;
    const char* iccid;
    bool reads;           // the two reading steps run
    int recorded;         // modeconfig of the record
    const char* written;  // "2", "22" or nothing
};

TEST(ScanModeStepsThreaded, TypeTwoModeTableRowByRow)
{
    const char* const ICCID = "89860012345678901234";
    const std::vector<ModeRow> rows = {
        {"22 without signal", 22, 99, "CHINA MOBILE", {}, ICCID, true, 22, "2"},
        {"22 with signal", 22, 20, "CHINA MOBILE", {}, ICCID, true, 22, nullptr},
        {"2 on telecom", 2, 20, "CHINA TELECOM", {}, ICCID, true, 2, "22"},
        {"2 on CT", 2, 20, "CT", {}, ICCID, true, 2, "22"},
        {"2 on another operator", 2, 20, "CHINA MOBILE", {}, ICCID, true, 2, nullptr},
        {"2 on telecom without signal", 2, 99, "CHINA TELECOM", {}, ICCID, true, 2, nullptr},
        {"any other value", 13, 20, "CHINA TELECOM", {}, ICCID, true, 13, "2"},
        {"value refused", -1, 20, "CHINA MOBILE", {}, ICCID, true, 0, "2"},
        // A value that comes a little late is still read, so the stored mode is not rewritten.
        {"22 answered late", 22, 20, "CHINA MOBILE", {Fault::Delay("AT^MODECONFIG?", 12)}, ICCID, true, 22, nullptr},
        {"22 answered in pieces", 22, 20, "CHINA MOBILE", {Fault::Split("AT^MODECONFIG?", 3, 1)}, ICCID, true, 22,
         nullptr},
        {"number of 4 bytes", 13, 20, "CHINA MOBILE", {}, "1234", true, 13, nullptr},
        {"number of 3 bytes", 13, 20, "CHINA MOBILE", {}, "123", false, 0, nullptr},
    };
    SimFleet fleet;
    std::vector<int> usbs;
    for (size_t i = 0; i < rows.size(); i++) {
        ModemConfig config = ModemConfig::ForType(PHONE_TYPE_K7040_NC5);
        config.modeConfig = rows[i].modeConfig;
        config.rssi = rows[i].rssi;
        config.operatorName = rows[i].op;
        config.faults = rows[i].faults;
        config.iccid = rows[i].iccid;
        ASSERT_TRUE(fleet.Add(static_cast<int>(i), config));
        usbs.push_back(static_cast<int>(i));
    }
    ScanRun scan = RunScan(fleet, usbs);
    for (size_t i = 0; i < rows.size(); i++) {
        const ModeRow& row = rows[i];
        const simmodem::Modem& modem = fleet[usbs[i]];
        const ScanRecord& r = scan.Port(usbs[i]);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(r.type, PHONE_TYPE_K7040_NC5);
        EXPECT_EQ(r.modeconfig, row.recorded);
        EXPECT_EQ(HeardStarting(modem, "AT^MODECONFIG?").size(), row.reads ? 1u : 0u);
        EXPECT_EQ(HeardStarting(modem, "AT+COPS?").size(), row.reads ? 1u : 0u);
        std::vector<std::string> written = HeardStarting(modem, "AT^MODECONFIG=");
        const std::string prefix = r.port + " > ";
        if (row.written != nullptr) {
            EXPECT_EQ(written, std::vector<std::string>{std::string("AT^MODECONFIG=") + row.written + "\r"});
            EXPECT_TRUE(scan.Printed(prefix + "SET MODECONFIG=" + row.written));
        } else {
            EXPECT_TRUE(written.empty());
            EXPECT_FALSE(scan.Printed(prefix + "SET MODECONFIG=2") || scan.Printed(prefix + "SET MODECONFIG=22"));
        }
        if (row.reads) {
            EXPECT_TRUE(scan.Printed(prefix + "GET MODECONFIG = " + std::to_string(row.recorded)));
            EXPECT_TRUE(scan.Printed(prefix + "GET COPS = 0,0,\"" + row.op + "\",7"));
        }
    }
    size_t printed = 0;
    for (const ModeRow& row : rows) printed += (row.reads ? 2 : 0) + (row.written != nullptr ? 1 : 0);
    EXPECT_EQ(scan.lines.size(), printed);
}

TEST(ScanModeStepsThreaded, QuietScanStillWritesTheModeButPrintsNothing)
{
    SimFleet fleet;
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_K7040_NC5);
    config.modeConfig = 13;
    ASSERT_TRUE(fleet.Add(0, config));
    ScanRun scan = RunScan(fleet, {0}, {"--quiet"});
    EXPECT_EQ(scan.Port(0).modeconfig, 13);
    EXPECT_EQ(HeardStarting(fleet[0], "AT^MODECONFIG="), std::vector<std::string>{"AT^MODECONFIG=2\r"});
    EXPECT_TRUE(scan.lines.empty());
}

TEST(ScanThreaded, LongTextsAreCutToTheirFieldsAndTheIdentificationStillNamesItsType)
{
    // The first 511 bytes name type 5 only; the whole answer is type 2's.
    std::string twoAti = "\r\nManufacturer: KG520 family\r\n";
    for (int i = 0; i < 40; i++) twoAti += "Revision line " + std::to_string(i) + ": ................\r\n";
    twoAti += "Model: CLM920_NC5\r\n\r\nOK\r\n";
    ASSERT_EQ(TypeOfAti(twoAti.substr(0, 511)), PHONE_TYPE_KG520_ON);
    ModemConfig two = ModemConfig::ForType(PHONE_TYPE_K7040_NC5);
    two.ati = twoAti;
    // The model name deep inside a long answer, and texts longer than the record's arrays.
    ModemConfig three = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    three.ati = "\r\n" + std::string(20000, '.') + "Quectel_M35" + std::string(20000, '.') + "\r\n\r\nOK\r\n";
    three.iccid = std::string(100, '7');
    three.serial = std::string(90, '5');
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, two));
    ASSERT_TRUE(fleet.Add(1, three));
    ScanRun scan = RunScan(fleet, {0, 1}, {"--quiet"});

    const ScanRecord& r2 = scan.Port(0);
    EXPECT_EQ(r2.type, PHONE_TYPE_K7040_NC5);
    EXPECT_LE(r2.ati.size(), 511u);
    EXPECT_EQ(TypeOfAti(r2.ati), PHONE_TYPE_K7040_NC5) << r2.ati;

    const ScanRecord& r3 = scan.Port(1);
    EXPECT_EQ(r3.type, PHONE_TYPE_KL48_FT_ON);
    EXPECT_LE(r3.ati.size(), 511u);
    EXPECT_EQ(TypeOfAti(r3.ati), PHONE_TYPE_KL48_FT_ON) << r3.ati;
    EXPECT_EQ(r3.number, std::string(63, '7'));
    EXPECT_EQ(r3.serial, std::string(63, '5'));
}

TEST(ScanThreaded, AnswerSplitAcrossReadsIsTakenWhole)
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    config.faults = {Fault::Split("AT+CGSN", 4, 1), Fault::Split("AT+CCID", 5, 1)};
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, config));
    ScanRun scan = RunScan(fleet, {0}, {"--quiet"});
    EXPECT_EQ(scan.Port(0).serial, config.serial);
    EXPECT_EQ(scan.Port(0).number, config.iccid);
}

TEST(ScanBadModemsThreaded, GarbageLongLinesAndHangUpsGiveNoModemAndTheScanEnds)
{
    SimFleet fleet;
    ModemConfig garbage = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    garbage.faults = {Fault::Garbage("", 300)};
    ModemConfig longLine = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    longLine.faults = {Fault::Replace("", std::string(20000, 'M'))};
    ModemConfig longAti = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    longAti.faults = {Fault::Replace("ATI", "\r\n" + std::string(70000, 'A') + "\r\n\r\nOK\r\n")};
    ModemConfig hangUp = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    hangUp.faults = {Fault::HangUp("ATI", 8)};
    ASSERT_TRUE(fleet.Add(0, garbage));
    ASSERT_TRUE(fleet.Add(1, longLine));
    ASSERT_TRUE(fleet.Add(2, longAti));
    ASSERT_TRUE(fleet.Add(3, hangUp));
    ASSERT_TRUE(fleet.Add(4, PHONE_TYPE_KL48_FT_ON));
    ScanRun scan = RunScan(fleet, {0, 1, 2, 4});
    ASSERT_EQ(scan.Records().size(), 7u);
    for (int usb : {0, 1, 2, 3}) ExpectNoModem(scan.Port(usb));
    EXPECT_TRUE(fleet[3].HungUp());
    EXPECT_TRUE(scan.Port(4).atFound);
    EXPECT_EQ(scan.Port(4).type, PHONE_TYPE_KL48_FT_ON);
}

} // namespace
