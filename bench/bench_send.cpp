// Time of one send to one number through one instantly answering simulated modem: one-part and
// three-part, beside the sum of the exchanges' pacing; then the same two-part send by Zavrix and
// by gammu (connection = at) against that modem, with the ratio. Not a test: the figures depend
// on the machine. Run as root (the Zavrix command scans, which needs a private /dev).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "ComPortBase.h"
#include "CreatePhone.h"
#include "Modem.h"
#include "PrivateDev.h"

namespace {

constexpr int RUNS = 5;
constexpr int COMMAND_RUNS = 3;
const char NUMBER[] = "13812345678";
constexpr std::size_t STAMP_CHARS = 20; // " YYYY-MM-DD hh:mm:ss"

// Pacing of one exchange with an instant answer: the quiet write's five 0.5 ms cycles and its
// chunk pause (3 ms), the read's pause and ten cycles (5.5 ms), and the ten cycles that the cycle
// bringing the answer adds (5 ms); waits in select (at most 1 ms a call) are left out.
constexpr double EXCHANGE_PACING_MS = 3.0 + 5.5 + 5.0;

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// gammu's AT driver asks who the phone is before it sends; the tool never does, so the modem
// gets the answers here (with the echo that ATE1 asks for).
simmodem::ModemConfig BenchModem()
{
    simmodem::ModemConfig config = simmodem::ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    const char* const answers[][2] = {
        {"AT+CGMI", "Norvelt"}, {"AT+CGMM", "KL48-FT-ON"}, {"AT+CGMR", "1.0"}, {"AT+CFUN=1", nullptr}};
    for (const auto& answer : answers) {
        std::string text = std::string(answer[0]) + "\r\r\n";
        text += answer[1] != nullptr ? std::string(answer[1]) + "\r\n\r\nOK\r\n" : "OK\r\n";
        config.faults.push_back(simmodem::Fault::Replace(answer[0], text));
    }
    return config;
}

int BodiesSince(const simmodem::Modem& modem, std::size_t from)
{
    const std::vector<simmodem::TranscriptEntry> transcript = modem.Transcript();
    int bodies = 0;
    for (std::size_t i = from; i < transcript.size(); ++i) {
        bodies += transcript[i].body ? 1 : 0;
    }
    return bodies;
}

// Median milliseconds of `run`, which must make the modem receive `parts` bodies each time.
double Time(const simmodem::Modem& modem, int runs, int parts, const std::function<bool()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const std::size_t before = modem.Transcript().size();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run();
        times.push_back(Ms(std::chrono::steady_clock::now() - start));
        if (!ok || BodiesSince(modem, before) != parts) {
            std::fprintf(stderr, "run %d failed: %d of %d parts\n", i, BodiesSince(modem, before), parts);
            return -1;
        }
    }
    return Median(times);
}

bool SendJob(const simmodem::Modem& modem, const std::string& text)
{
    ComPortBaseInfo_t record;
    record.port = modem.SlavePath();
    record.baud = 115200;
    record.atOk = true;
    record.number = modem.Config().iccid;
    record.signal = " 23,99";
    record.serial = modem.Config().serial;
    record.type = modem.Config().type;
    CCheckManager manager;
    manager.plainTextMode = false;
    manager.HandleSendPduSmsProcess({record}, {NUMBER}, text);
    return manager.sendResults.size() == 1 && manager.sendResults[0].code == 0;
}

int Exchanges(int parts)
{
    const std::unique_ptr<CPhoneCardBase> phone = GetPhoneByType(PHONE_TYPE_KL48_FT_ON);
    return static_cast<int>(phone->GetInitAtCmd().size()) + 2 + 2 * parts; // + centre, PDU mode
}

bool RunZavrixCommand(const simmodem::Modem& modem, const std::string& text)
{
    simmodem::RunRequest request;
    request.argv = {ZAVRIX_BIN, "USB0", NUMBER, text};
    request.links = {{"ttyUSB0", modem.SlavePath()}};
    request.timeout = std::chrono::seconds(60);
    const simmodem::RunResult result = simmodem::RunInPrivateDev(request);
    return result.exitCode == 0 && result.out.find("\"Succeed\"") != std::string::npos;
}

bool RunGammu(const std::string& config, const std::string& text)
{
    const std::string command = "gammu -c " + config + " sendsms TEXT " + NUMBER + " -unicode -textutf8 '" + text +
                                "' -len 200 >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main()
{
    CComPortBase::ResetAllComPort();
    std::string error;
    const std::unique_ptr<simmodem::Modem> modem = simmodem::Modem::Start(BenchModem(), error);
    if (!modem) {
        std::fprintf(stderr, "simulated modem: %s\n", error.c_str());
        return 1;
    }

    // Texts that go out in one, three and two parts once the send time is appended.
    const std::string onePart(50, 'a');
    const std::string threeParts(180 - STAMP_CHARS, 'c');
    const std::string twoParts(120 - STAMP_CHARS, 'b');

    std::printf("send job, one number, median of %d          wall ms   pacing ms\n", RUNS);
    const struct {
        const char* what;
        const std::string& text;
        int parts;
    } jobs[] = {{"one part", onePart, 1}, {"three parts", threeParts, 3}};
    for (const auto& job : jobs) {
        const double ms = Time(*modem, RUNS, job.parts, [&] { return SendJob(*modem, job.text); });
        std::printf("  %-40s %9.1f %11.1f   (%d exchanges)\n", job.what, ms,
                    Exchanges(job.parts) * EXCHANGE_PACING_MS, Exchanges(job.parts));
    }

    std::printf("\ntwo-part send, same modem, median of %d         wall ms\n", COMMAND_RUNS);
    const double job = Time(*modem, COMMAND_RUNS, 2, [&] { return SendJob(*modem, twoParts); });
    const double zavrix = Time(*modem, COMMAND_RUNS, 2, [&] { return RunZavrixCommand(*modem, twoParts); });
    std::printf("  %-40s %9.1f\n", "Zavrix send job", job);
    std::printf("  %-40s %9.1f\n", "Zavrix command (scan included)", zavrix);

    const std::string config = "/tmp/zavrix-bench-gammurc-" + std::to_string(getpid());
    std::ofstream(config) << "[gammu]\ndevice = " << modem->SlavePath() << "\nconnection = at\n";
    // gammu sends the text as it is; give it the tool's text with a stamp's worth of characters.
    const double gammu =
        Time(*modem, COMMAND_RUNS, 2, [&] { return RunGammu(config, twoParts + std::string(STAMP_CHARS, 'b')); });
    std::remove(config.c_str());
    if (gammu < 0) {
        std::printf("  gammu failed (is it installed? scripts/install-deps.sh --bench)\n");
        return 1;
    }
    std::printf("  %-40s %9.1f\n", "gammu sendsms", gammu);
    std::printf("  %-40s %9.1f\n", "ratio gammu / Zavrix command", gammu / zavrix);
    std::printf("  %-40s %9.1f\n", "ratio gammu / Zavrix send job", gammu / job);
    return 0;
}
