// Reading stored messages: `Zavrix sms sread` against gammu's `getallsms`, through one instantly
// answering simulated modem that holds 20 messages (10 on the SIM card, 10 in the device), each
// command run in the same private /dev by turns. Not a test: it prints both times and the ratio.
//
//   bench_read [ROUNDS]        (default 5; gammu comes with scripts/install-deps.sh --bench)
//
// The simulated modem and the private-/dev runner are the build's tools/zavrix-simmodem and
// tools/zavrix-devns, beside the Zavrix binary.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const int SIM_MESSAGES = 10;
const int DEVICE_MESSAGES = 10;

std::string Directory(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// An SMS-DELIVER of an ASCII text as UCS-2, service-centre field first.
std::string Deliver(const std::string& text)
{
    std::string ucs2;
    for (char c : text) {
        ucs2 += '\0';
        ucs2 += c;
    }
    char length[3];
    std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(ucs2.size()));
    return "0891683108100005F0" "04" "0D91683119325476F8" "00" "08" "42103121232500" + std::string(length) +
           Hex(ucs2);
}

// A reply with the echo gammu has switched on; the simulated modem does not know these commands.
std::string GammuReply(const std::string& command, const std::string& line)
{
    std::string text = command + "\\r\\r\\n";
    if (!line.empty()) {
        text += line + "\\r\\n\\r\\n";
    }
    return "{\"kind\": \"replace\", \"on\": \"" + command + "\", \"text\": \"" + text + "OK\\r\\n\"}";
}

std::string FleetJson()
{
    std::string sms;
    for (int i = 0; i < SIM_MESSAGES + DEVICE_MESSAGES; ++i) {
        sms += std::string(i == 0 ? "" : ", ") + "{\"storage\": \"" + (i < SIM_MESSAGES ? "SM" : "ME") +
               "\", \"pdu\": \"" + Deliver("stored message number " + std::to_string(i + 1)) + "\"}";
    }
    const std::string faults = GammuReply("AT+CGMM", "Quectel_M35") + ", " + GammuReply("AT+CGMI", "Quectel") + ", " +
                               GammuReply("AT+CGMR", "Revision: M35FBR02A03") + ", " + GammuReply("AT+CFUN=1", "") +
                               ", " +
                               GammuReply("AT+CPMS=?", "+CPMS: (\\\"SM\\\",\\\"ME\\\"),(\\\"SM\\\",\\\"ME\\\"),"
                                                       "(\\\"SM\\\",\\\"ME\\\")");
    return "{\"modems\": [{\"usb\": 0, \"type\": 3, \"sms\": [" + sms + "], \"faults\": [" + faults + "]}]}\n";
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

// The simulated modem, served until it is stopped; `slave` is its pseudo-terminal.
struct Server {
    pid_t pid = -1;
    std::string slave;
};

bool StartServer(const std::string& simmodem, const std::string& fleet, Server& server)
{
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    server.pid = fork();
    if (server.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(simmodem.c_str(), simmodem.c_str(), fleet.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    // "ttyUSB0 /dev/pts/N type 3"
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(out[0]);
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (server.pid < 0 || second == std::string::npos) {
        return false;
    }
    server.slave = line.substr(first + 1, second - first - 1);
    return true;
}

void StopServer(Server& server)
{
    if (server.pid > 0) {
        kill(server.pid, SIGTERM);
        waitpid(server.pid, nullptr, 0);
    }
}

// Runs the command and gives its standard output; the seconds it took in `seconds`.
bool Run(const std::vector<std::string>& argv, std::string& output, double& seconds)
{
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    output.clear();
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string FindGammu()
{
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/gammu";
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return "";
}

} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string tools = Directory(ZAVRIX_BIN) + "/tools";
    const std::string simmodem = tools + "/zavrix-simmodem";
    const std::string devns = tools + "/zavrix-devns";
    const std::string gammu = FindGammu();
    if (access(simmodem.c_str(), X_OK) != 0 || access(devns.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_read: build the targets zavrix-simmodem and zavrix-devns first\n");
        return 2;
    }
    if (gammu.empty()) {
        std::fprintf(stderr, "bench_read: gammu is missing; run scripts/install-deps.sh --bench\n");
        return 2;
    }

    char dirTemplate[] = "/tmp/bench_read.XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        std::perror("bench_read: mkdtemp");
        return 2;
    }
    const std::string dir = dirTemplate;
    const std::string fleet = dir + "/fleet.json";
    const std::string gammurc = dir + "/gammurc";
    Server server;
    if (!WriteFile(fleet, FleetJson()) ||
        !WriteFile(gammurc, "[gammu]\ndevice = /dev/ttyUSB0\nconnection = at\n") ||
        !StartServer(simmodem, fleet, server)) {
        std::fprintf(stderr, "bench_read: cannot start the simulated modem\n");
        StopServer(server);
        return 2;
    }

    const std::string link = "ttyUSB0=" + server.slave;
    const std::vector<std::string> zavrix = {devns, "--link", link, "--", ZAVRIX_BIN, "sms", "sread"};
    const std::vector<std::string> getallsms = {devns, "--link", link, "--", gammu, "-c", gammurc, "getallsms"};
    std::vector<double> zavrixTimes;
    std::vector<double> gammuTimes;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string output;
        double seconds = 0;
        // Both must have read all 20 messages, or the times mean nothing.
        if (!Run(zavrix, output, seconds) || output.find("\"msgcount\":20") == std::string::npos) {
            std::fprintf(stderr, "bench_read: Zavrix did not read the 20 messages:\n%s\n", output.c_str());
            ++failures;
        }
        zavrixTimes.push_back(seconds);
        if (!Run(getallsms, output, seconds) || output.find("20 SMS parts") == std::string::npos) {
            std::fprintf(stderr, "bench_read: gammu did not read the 20 messages:\n%s\n", output.c_str());
            ++failures;
        }
        gammuTimes.push_back(seconds);
    }
    StopServer(server);
    unlink(fleet.c_str());
    unlink(gammurc.c_str());
    rmdir(dir.c_str());

    const double zavrixMedian = Median(zavrixTimes);
    const double gammuMedian = Median(gammuTimes);
    std::printf("reading 20 stored messages from one simulated modem, %d rounds, median wall time\n", rounds);
    std::printf("  Zavrix sms sread   %8.3f s  (min %.3f, max %.3f)\n", zavrixMedian,
                *std::min_element(zavrixTimes.begin(), zavrixTimes.end()),
                *std::max_element(zavrixTimes.begin(), zavrixTimes.end()));
    std::printf("  gammu getallsms    %8.3f s  (min %.3f, max %.3f)\n", gammuMedian,
                *std::min_element(gammuTimes.begin(), gammuTimes.end()),
                *std::max_element(gammuTimes.begin(), gammuTimes.end()));
    std::printf("  ratio gammu / Zavrix  %.2f\n", zavrixMedian > 0 ? gammuMedian / zavrixMedian : 0.0);
    return failures == 0 ? 0 : 1;
}
