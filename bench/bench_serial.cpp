// Time and CPU of one Write and one ReadAll on a quiet pseudo-terminal line, beside the figures
// the port's pacing is designed for. Not a test: the figures depend on the machine.
#include <fcntl.h>
#include <pty.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "ComPortBase.h"

namespace {

constexpr int CALLS = 200;

double now_ms(clockid_t clock)
{
    struct timespec t {};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void drain(int master)
{
    char block[4096];
    while (read(master, block, sizeof block) > 0) {
    }
}

// `designed` is the pacing's figure: pauses plus the most the call may wait in poll, which a
// quiet line waits whole.
void measure(const char* what, double designedMs, const char* designed, int master,
             const std::function<void()>& call)
{
    double wall = 0, cpu = 0;
    for (int i = 0; i < CALLS; i++) {
        double w0 = now_ms(CLOCK_MONOTONIC), c0 = now_ms(CLOCK_THREAD_CPUTIME_ID);
        call();
        wall += now_ms(CLOCK_MONOTONIC) - w0;
        cpu += now_ms(CLOCK_THREAD_CPUTIME_ID) - c0;
        drain(master);
    }
    printf("%-34s %9.3f %9.3f %9.3f %6.3f   %s\n", what, wall / CALLS, cpu / CALLS, designedMs,
           wall / CALLS / designedMs, designed);
}

}  // namespace

int main()
{
    CComPortBase::ResetAllComPort();
    printf("%-34s %9s %9s %9s %6s   %s\n", "per call, quiet line", "wall ms", "cpu ms", "design",
           "ratio", "designed");
    for (int baud : {9600, 115200}) {
        int master = -1, slave = -1;
        char name[256] = "";
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            perror("openpty");
            return 1;
        }
        fcntl(master, F_SETFL, O_NONBLOCK);
        CComPortBase port(name, baud);
        if (!port.IsOpened()) {
            fprintf(stderr, "cannot open %s\n", name);
            return 1;
        }
        const std::string at = "AT+CSQ\r\n";
        const std::string pdu = "0011000D91" + std::string(280, 'A') + "\x1a";
        const std::string label = " @" + std::to_string(baud);
        measure(("Write 8 bytes" + label).c_str(), 4.0, "3 ms pauses + up to 1 ms waiting",
                master, [&] { port.Write(at); });
        measure(("Write 291 bytes" + label).c_str(), 4.0, "3 ms pauses + up to 1 ms waiting",
                master, [&] { port.Write(pdu); });
        measure(("ReadAll" + label).c_str(), 6.5, "5.5 ms pauses + up to 1 ms waiting",
                master, [&] {
                    std::string out;
                    port.ReadAll(out);
                });
        close(slave);
        port.Close();
        close(master);
    }
    return 0;
}
