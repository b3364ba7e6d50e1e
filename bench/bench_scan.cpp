// Time and process CPU time of a whole device scan over 1, 4, 16 and 64 ports (answering
// simulated modems and silent ports, half each), beside the time one probe of one port takes.
// A scan runs its probes side by side, so up to 16 ports it should last about one probe.
// Not a test: the figures depend on the machine.
//
//   bench_scan [PATH-OF-zavrix-simmodem]
//
// Each fleet is served by zavrix-simmodem, which runs this program again ("--inside N") in a
// private /dev where the modems are /dev/ttyUSB<N>; the machine's own ports are never opened.
// Needs root.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "ComPortBase.h"

namespace {

constexpr int REPEATS = 5;
const int PORT_COUNTS[] = {1, 4, 16, 64};
const int TYPES[] = {3, 2, 4, 5, 6, 7, 8};

bool Answering(int usb) { return usb % 2 == 0; }

double NowMs(clockid_t clock)
{
    struct timespec t {};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Only a private /dev of simulated modems: no ttyS devices, every ttyUSB a link to a pseudo-terminal.
bool InPrivateDev()
{
    if (access("/dev/ttyS0", F_OK) == 0 || access("/dev/ttyS1", F_OK) == 0) {
        return false;
    }
    DIR* dev = opendir("/dev");
    if (dev == nullptr) {
        return false;
    }
    bool simulated = true;
    while (struct dirent* entry = readdir(dev)) {
        std::string name = entry->d_name;
        if (name.rfind("ttyUSB", 0) != 0) {
            continue;
        }
        char target[256] = "";
        ssize_t n = readlink(("/dev/" + name).c_str(), target, sizeof target - 1);
        simulated = simulated && n > 0 && std::string(target, static_cast<size_t>(n)).rfind("/dev/pts/", 0) == 0;
    }
    closedir(dev);
    return simulated;
}

double ProbeMs(const std::string& path)
{
    std::vector<double> times;
    for (int i = 0; i < REPEATS; i++) {
        double start = NowMs(CLOCK_MONOTONIC);
        GetInfoOnPort(path);
        times.push_back(NowMs(CLOCK_MONOTONIC) - start);
    }
    return Median(times);
}

int Inside(int ports)
{
    if (!InPrivateDev()) {
        fprintf(stderr, "bench_scan: not in a private /dev of simulated modems; refusing to scan\n");
        return 2;
    }
    g_bShowExtend = false;
    CComPortBase::ResetAllComPort();

    double answeringProbe = ProbeMs("/dev/ttyUSB0");
    double silentProbe = ports > 1 ? ProbeMs("/dev/ttyUSB1") : 0;
    double oneProbe = std::max(answeringProbe, silentProbe);

    std::vector<double> wall, cpu;
    int found = 0;
    for (int i = 0; i < REPEATS; i++) {
        double w0 = NowMs(CLOCK_MONOTONIC), c0 = NowMs(CLOCK_PROCESS_CPUTIME_ID);
        std::vector<DeviceBaseComInfo> records = CCheckManager::DetectAllDevice();
        wall.push_back(NowMs(CLOCK_MONOTONIC) - w0);
        cpu.push_back(NowMs(CLOCK_PROCESS_CPUTIME_ID) - c0);
        found = static_cast<int>(std::count_if(records.begin(), records.end(),
                                               [](const DeviceBaseComInfo& r) { return r.atFound; }));
    }
    int answering = (ports + 1) / 2;
    printf("%3d ports (%2d answering, %2d silent): scan %7.1f ms = %5.2f x one probe, CPU %6.1f ms;"
           " one probe %6.1f ms answering, %6.1f ms silent; found %d of %d\n",
           ports, answering, ports - answering, Median(wall), Median(wall) / oneProbe, Median(cpu), answeringProbe,
           silentProbe, found, answering);
    return found == answering ? 0 : 1;
}

std::string FleetJson(int ports)
{
    std::string json = "{\"modems\": [";
    for (int usb = 0; usb < ports; usb++) {
        json += usb == 0 ? "" : ",";
        if (Answering(usb)) {
            json += "{\"usb\": " + std::to_string(usb) + ", \"type\": " + std::to_string(TYPES[usb / 2 % 7]) + "}";
        } else {
            json += "{\"usb\": " + std::to_string(usb) + ", \"type\": 3, \"faults\": [{\"kind\": \"silence\"}]}";
        }
    }
    return json + "]}";
}

int RunFleet(const std::string& simmodem, const std::string& self, int ports)
{
    char fleetPath[] = "/tmp/bench-scan-fleet-XXXXXX";
    int fd = mkstemp(fleetPath);
    if (fd < 0) {
        perror("mkstemp");
        return 1;
    }
    close(fd);
    std::ofstream(fleetPath) << FleetJson(ports);
    std::string count = std::to_string(ports);
    pid_t child = fork();
    if (child == 0) {
        execl(simmodem.c_str(), simmodem.c_str(), fleetPath, "--", self.c_str(), "--inside", count.c_str(),
              static_cast<char*>(nullptr));
        perror(simmodem.c_str());
        _exit(127);
    }
    int status = 1;
    waitpid(child, &status, 0);
    unlink(fleetPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--inside") {
        return Inside(atoi(argv[2]));
    }
    std::string bin = ZAVRIX_BIN;
    std::string simmodem = argc > 1 ? argv[1] : bin.substr(0, bin.rfind('/') + 1) + "tools/zavrix-simmodem";
    char self[4096] = "";
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0 || access(simmodem.c_str(), X_OK) != 0) {
        fprintf(stderr, "usage: bench_scan [PATH-OF-zavrix-simmodem] (as root)\n");
        return 2;
    }
    int status = 0;
    for (int ports : PORT_COUNTS) {
        status |= RunFleet(simmodem, std::string(self, static_cast<size_t>(n)), ports);
    }
    return status;
}
