// Test support: a device scan run by scan_dump in the private /dev of a SimFleet, read back as
// records and the scan's own output lines.
#ifndef ZAVRIX_TESTS_SCAN_SCANRUN_H
#define ZAVRIX_TESTS_SCAN_SCANRUN_H

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CreatePhone.h"
#include "SimFleet.h"
#include "Transcript.h"

struct ScanRecord {
    std::string port;
    int baud = 0;
    int type = 0;
    bool atFound = false;
    bool probed = false;
    std::string number;
    std::string signal;
    std::string serial;
    int modeconfig = 0;
    int rssi = 0;
    int ber = 0;
    std::string cops;
    std::string ati;
};

struct ScanRun {
    simmodem::RunResult run;
    std::vector<std::vector<ScanRecord>> scans;
    std::vector<std::string> lines; // everything else the scan printed

    const std::vector<ScanRecord>& Records() const
    {
        static const std::vector<ScanRecord> none;
        return scans.empty() ? none : scans.back();
    }
    const ScanRecord& Port(int usb) const
    {
        static const ScanRecord missing;
        const std::string path = "/dev/ttyUSB" + std::to_string(usb);
        for (const ScanRecord& record : Records()) {
            if (record.port == path) return record;
        }
        ADD_FAILURE() << "no record of " << path;
        return missing;
    }
    bool Printed(const std::string& line) const { return std::count(lines.begin(), lines.end(), line) > 0; }
};

inline std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(simmodem::UnescapeBytes(field));
    return fields;
}

inline ScanRecord ParseRecord(const std::vector<std::string>& f)
{
    ScanRecord r;
    r.port = f[1];
    r.baud = atoi(f[2].c_str());
    r.type = atoi(f[3].c_str());
    r.atFound = f[4] == "1";
    r.probed = f[5] == "1";
    r.number = f[6];
    r.signal = f[7];
    r.serial = f[8];
    r.modeconfig = atoi(f[9].c_str());
    r.rssi = atoi(f[10].c_str());
    r.ber = atoi(f[11].c_str());
    r.cops = f[12];
    r.ati = f.size() > 13 ? f[13] : "";
    return r;
}

// Runs scan_dump with `args` among the fleet's modems and waits until the modems have taken in
// all the scan wrote.
inline ScanRun RunScan(const SimFleet& fleet, const std::vector<int>& usbs, std::vector<std::string> args = {})
{
    args.insert(args.begin(), SCAN_DUMP_BIN);
    ScanRun scan;
    scan.run = fleet.Run(args);
    EXPECT_EQ(scan.run.exitCode, 0) << scan.run.err;
    std::stringstream out(scan.run.out);
    std::string line;
    while (std::getline(out, line)) {
        if (line == "SCAN") {
            scan.scans.emplace_back();
        } else if (line.rfind("REC\t", 0) == 0 && !scan.scans.empty()) {
            std::vector<std::string> fields = SplitTabs(line);
            if (fields.size() >= 13) scan.scans.back().push_back(ParseRecord(fields));
        } else {
            scan.lines.push_back(line);
        }
    }
    for (int usb : usbs) fleet[usb].WaitIdle();
    return scan;
}

// The device type the tool finds again in a stored identification text.
inline int TypeOfAti(const std::string& ati)
{
    for (const auto& phone : CreateAllPhonesInPriorityOrder()) {
        if (phone->IsATI_RspMatch(ati)) return phone->GetPhoneType();
    }
    return 0;
}

inline bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// The heard units beginning with `prefix`, in order.
inline std::vector<std::string> HeardStarting(const simmodem::Modem& modem, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& text : modem.Heard()) {
        if (StartsWithNoCase(text, prefix)) found.push_back(text);
    }
    return found;
}

#endif
