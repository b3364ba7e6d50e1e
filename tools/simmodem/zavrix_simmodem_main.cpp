// zavrix-simmodem: serves the simulated modems of a fleet file on pseudo-terminals and, given a
// command, runs it in a private /dev where the modems are /dev/ttyUSB<N>.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FleetConfig.h"
#include "Modem.h"
#include "PrivateDev.h"
#include "Transcript.h"

namespace {

const char USAGE[] =
    "usage: zavrix-simmodem [--transcripts DIR] [--timeout SECONDS] [--keys TEXT] FLEET.json [-- COMMAND [ARG...]]\n"
    "  Serves the modems of FLEET.json. With a COMMAND, runs it in a private /dev holding the\n"
    "  modems as /dev/ttyUSB<N> and exits with its status; without one, prints each modem's\n"
    "  pseudo-terminal and serves until SIGINT or SIGTERM.\n"
    "  --transcripts DIR  writes what each modem received to DIR/ttyUSB<N>.txt at the end\n"
    "  --timeout SECONDS  kills the command after this long (exit status 137)\n"
    "  --keys TEXT        the command's standard input is a terminal with TEXT typed ahead\n"
    "                     (escapes such as \\r and \\x1B are understood); otherwise it is ours\n";

struct Options {
    std::string transcripts;
    int timeoutSeconds = 0;
    bool keys = false;
    std::string keyText;
    std::string fleetPath;
    std::vector<std::string> command;
};

bool ParseOptions(int argc, char* argv[], Options& options)
{
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--") {
            break;
        } else if (arg == "--transcripts" && hasValue) {
            options.transcripts = argv[++i];
        } else if (arg == "--timeout" && hasValue) {
            options.timeoutSeconds = std::atoi(argv[++i]);
        } else if (arg == "--keys" && hasValue) {
            options.keys = true;
            options.keyText = simmodem::UnescapeBytes(argv[++i]);
        } else if (arg.compare(0, 1, "-") != 0 && options.fleetPath.empty()) {
            options.fleetPath = arg;
        } else {
            return false;
        }
    }
    for (++i; i < argc; ++i) {
        options.command.push_back(argv[i]);
    }
    return !options.fleetPath.empty();
}

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return file.good() || file.eof();
}

struct Served {
    int usb;
    std::unique_ptr<simmodem::Modem> modem;
};

bool WriteTranscripts(const std::string& dir, const std::vector<Served>& fleet)
{
    bool ok = true;
    const auto ended = std::chrono::steady_clock::now();
    for (const Served& served : fleet) {
        served.modem->WaitIdle(ended);
        std::string path = dir + "/ttyUSB" + std::to_string(served.usb) + ".txt";
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << simmodem::FormatTranscript(served.modem->Transcript());
        if (!file) {
            std::fprintf(stderr, "zavrix-simmodem: cannot write %s\n", path.c_str());
            ok = false;
        }
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    std::string json, error;
    std::vector<simmodem::FleetEntry> entries;
    if (!ReadFile(options.fleetPath, json)) {
        std::fprintf(stderr, "zavrix-simmodem: cannot read %s\n", options.fleetPath.c_str());
        return 2;
    }
    if (!simmodem::ParseFleet(json, entries, error)) {
        std::fprintf(stderr, "zavrix-simmodem: %s: %s\n", options.fleetPath.c_str(), error.c_str());
        return 2;
    }

    // Blocked before the modem threads start, so that they never take these; the command gets
    // them unblocked, and an interrupt typed at the terminal ends the command, not us.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::vector<Served> fleet;
    simmodem::RunRequest request;
    for (const simmodem::FleetEntry& entry : entries) {
        std::unique_ptr<simmodem::Modem> modem = simmodem::Modem::Start(entry.config, error);
        if (!modem) {
            std::fprintf(stderr, "zavrix-simmodem: ttyUSB%d: %s\n", entry.usb, error.c_str());
            return 2;
        }
        request.links.push_back({"ttyUSB" + std::to_string(entry.usb), modem->SlavePath()});
        std::fprintf(options.command.empty() ? stdout : stderr, "ttyUSB%d %s type %d\n", entry.usb,
                     modem->SlavePath().c_str(), static_cast<int>(entry.config.type));
        fleet.push_back({entry.usb, std::move(modem)});
    }
    std::fflush(stdout);

    int status = 0;
    if (options.command.empty()) {
        int received = 0;
        sigwait(&stopSignals, &received);
    } else {
        request.argv = options.command;
        request.capture = false;
        request.inputKind = options.keys ? simmodem::Input::Terminal : simmodem::Input::Inherit;
        request.input = options.keyText;
        request.timeout = std::chrono::seconds(options.timeoutSeconds);
        simmodem::RunResult result = simmodem::RunInPrivateDev(request);
        if (!result.started) {
            std::fprintf(stderr, "zavrix-simmodem: %s\n", result.error.c_str());
        }
        status = simmodem::ShellStatus(result);
    }
    if (!options.transcripts.empty() && !WriteTranscripts(options.transcripts, fleet)) {
        return status == 0 ? 2 : status;
    }
    return status;
}
