// End-to-end test fixture: simulated modems reached as /dev/ttyUSB<N> inside a private /dev, and
// the Zavrix binary (or any command) run there with its output captured. The test program links
// zavrix_simmodem (in its tests/<area>/CMakeLists.txt):
//   target_link_libraries(test_<area> PRIVATE zavrix_simmodem)
//
//   SimFleet fleet;
//   ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
//   simmodem::ModemConfig slow = simmodem::ModemConfig::ForType(PHONE_TYPE_KC640_ON);
//   slow.rates = {115200};
//   ASSERT_TRUE(fleet.Add(10, slow));
//   simmodem::RunResult run = fleet.RunZavrix({"sms", "read"});
//   EXPECT_EQ(0, run.exitCode) << run.err;
//   EXPECT_TRUE(fleet[10].WaitForHeard("AT^HCMGL=4", std::chrono::seconds(0)));
#ifndef ZAVRIX_TESTS_SIMFLEET_H
#define ZAVRIX_TESTS_SIMFLEET_H

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Modem.h"
#include "PrivateDev.h"

struct SimRunOptions {
    std::chrono::milliseconds timeout{60000}; // the run is killed after it (RunResult::timedOut)
    std::string input;                         // the command's standard input
    bool terminal = false;                     // input as keys typed on a raw terminal
    bool expectTimeout = false;                // else running into the timeout fails the test
};

class SimFleet {
public:
    using Options = SimRunOptions;

    // Starts a modem seen as /dev/ttyUSB<usb>; null (and a test failure) when it cannot start or
    // the number is taken.
    simmodem::Modem* Add(int usb, const simmodem::ModemConfig& config)
    {
        std::string error;
        std::unique_ptr<simmodem::Modem> modem = simmodem::Modem::Start(config, error);
        if (!modem || modems.count(usb) != 0) {
            ADD_FAILURE() << "ttyUSB" << usb << ": " << (modem ? "already taken" : error);
            return nullptr;
        }
        return (modems[usb] = std::move(modem)).get();
    }

    simmodem::Modem* Add(int usb, PHONE_TYPE_t type) { return Add(usb, simmodem::ModemConfig::ForType(type)); }

    // The modem on /dev/ttyUSB<usb>, which must have been added.
    simmodem::Modem& operator[](int usb) const { return *modems.at(usb); }

    std::vector<simmodem::DevLink> Links() const
    {
        std::vector<simmodem::DevLink> links;
        for (const auto& entry : modems) {
            links.push_back({"ttyUSB" + std::to_string(entry.first), entry.second->SlavePath()});
        }
        return links;
    }

    // Runs any command in the private /dev; when it returns, the modems have taken in all it
    // wrote.
    simmodem::RunResult Run(const std::vector<std::string>& argv, const Options& options = Options()) const
    {
        simmodem::RunRequest request;
        request.argv = argv;
        request.links = Links();
        request.inputKind = options.terminal ? simmodem::Input::Terminal : simmodem::Input::Text;
        request.input = options.input;
        request.timeout = options.timeout;
        simmodem::RunResult result = simmodem::RunInPrivateDev(request);
        const auto ended = std::chrono::steady_clock::now();
        for (const auto& entry : modems) {
            entry.second->WaitIdle(ended);
        }
        EXPECT_TRUE(result.started) << result.error;
        EXPECT_EQ(options.expectTimeout, result.timedOut) << argv[0] << " against a timeout of "
                                                          << options.timeout.count() << " ms";
        return result;
    }

    // Runs the Zavrix binary of this build with these arguments.
    simmodem::RunResult RunZavrix(std::vector<std::string> args, const Options& options = Options()) const
    {
        args.insert(args.begin(), ZAVRIX_BIN);
        return Run(args, options);
    }

private:
    std::map<int, std::unique_ptr<simmodem::Modem>> modems;
};

#endif
