// Test helper: runs device scans as the tool does and prints every record, one line each:
//   REC <tab> port baud type atFound probed number signal serial modeconfig rssi ber cops ati
// with the texts escaped (EscapeBytes), after a line "SCAN" for each scan. The scan's own lines
// come on standard output too. Options: --quiet (no mode lines), --scans N, --no-threads (the scan
// runs where no thread can be started).
//
// It runs only inside the tests' private /dev, where the ports are simulated modems: anywhere
// else a scan would open the machine's real serial ports.
#include <dirent.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "CCheckManager.h"
#include "ComPortBase.h"
#include "Transcript.h"

namespace {

bool IsSimulatedPort(const std::string& name)
{
    char target[256] = "";
    ssize_t n = readlink(("/dev/" + name).c_str(), target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<size_t>(n)).rfind("/dev/pts/", 0) == 0;
}

bool InPrivateDev()
{
    struct stat st {};
    if (lstat("/dev/ttyS0", &st) == 0 || lstat("/dev/ttyS1", &st) == 0) {
        return false;
    }
    DIR* dev = opendir("/dev");
    if (dev == nullptr) {
        return false;
    }
    bool simulated = true;
    while (struct dirent* entry = readdir(dev)) {
        std::string name = entry->d_name;
        if (name.rfind("ttyUSB", 0) == 0 && !IsSimulatedPort(name)) {
            simulated = false;
        }
    }
    closedir(dev);
    return simulated;
}

void* Nothing(void*) { return nullptr; }

bool ThreadsStart()
{
    pthread_t id;
    if (pthread_create(&id, nullptr, Nothing, nullptr) != 0) {
        return false;
    }
    pthread_join(id, nullptr);
    return true;
}

// A default thread stack larger than the address space: every pthread_create then fails. The
// limit is read when a program starts, hence the new start.
[[noreturn]] void RestartWithoutThreads(char** argv)
{
    struct rlimit huge = {rlim_t(1) << 50, rlim_t(1) << 50};
    setrlimit(RLIMIT_STACK, &huge);
    setenv("SCAN_DUMP_RESTARTED", "1", 1);
    execv("/proc/self/exe", argv);
    perror("execv");
    exit(4);
}

void PrintRecord(const DeviceBaseComInfo& r)
{
    using simmodem::EscapeBytes;
    std::cout << "REC\t" << EscapeBytes(r.port) << "\t" << r.baud << "\t" << r.type << "\t" << r.atFound << "\t"
              << r.probed << "\t" << EscapeBytes(r.number) << "\t" << EscapeBytes(r.signal) << "\t"
              << EscapeBytes(r.serial) << "\t" << r.modeconfig << "\t" << r.rssi << "\t" << r.ber << "\t"
              << EscapeBytes(r.cops) << "\t" << EscapeBytes(r.ati) << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    int scans = 1;
    bool noThreads = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--quiet") {
            g_bShowExtend = false;
        } else if (arg == "--scans" && i + 1 < argc) {
            scans = atoi(argv[++i]);
        } else if (arg == "--no-threads") {
            noThreads = true;
        } else {
            fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!InPrivateDev()) {
        fprintf(stderr, "scan_dump: not in a private /dev of simulated modems; refusing to scan\n");
        return 2;
    }
    if (noThreads && getenv("SCAN_DUMP_RESTARTED") == nullptr) {
        RestartWithoutThreads(argv);
    }
    if (noThreads && ThreadsStart()) {
        fprintf(stderr, "scan_dump: threads still start\n");
        return 3;
    }

    CComPortBase::ResetAllComPort();
    for (int i = 0; i < scans; i++) {
        std::vector<DeviceBaseComInfo> records = CCheckManager::DetectAllDevice();
        std::cout << "SCAN\n";
        for (const DeviceBaseComInfo& record : records) {
            PrintRecord(record);
        }
    }
    std::cout << std::flush;
    return 0;
}
