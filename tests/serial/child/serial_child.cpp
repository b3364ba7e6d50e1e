// Runs one scenario of the serial layer in a fresh process, so that the framework starts
// uninitialised and its exit restore really runs. Usage: serial_child <scenario> <pty paths...>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "ComPortBase.h"
#include "term.h"

namespace {

CComPortBase* g_pLeftOpen = nullptr;

int open_tty(const char* path) { return open(path, O_RDWR | O_NOCTTY | O_NONBLOCK); }

// Anything but the raw 115200 8N1 a port gets, so a restore is visible.
int change(int fd)
{
    if (term_set(fd, 0, 2400, P_EVEN, 7, 2, FC_NONE, 1, 0) < 0 || term_apply(fd, 1) < 0) {
        term_perror("change");
        return -1;
    }
    return 0;
}

void report(const char* what, int result) { printf("%s %d %d\n", what, result, term_errno); }

int before_init(const char* path)
{
    int fd = open_tty(path);
    int notTty = open("/dev/null", O_RDWR);
    report("apply", term_apply(fd, 0));
    report("set_tty", term_set(fd, 1, 9600, P_NONE, 8, 1, FC_NONE, 1, 1));
    report("set_file", term_set(notTty, 1, 9600, P_NONE, 8, 1, FC_NONE, 1, 1));
    report("baudrate", term_get_baudrate(fd));
    report("erase", term_erase(fd));
    return 0;
}

// argv: registered-and-left, closed by its port, left open in its port.
int restore(char** paths)
{
    if (term_lib_init() < 0) return 2;
    if (change(open_tty(paths[0])) < 0) return 3;
    CComPortBase closed(paths[1], 115200);
    closed.Close();
    g_pLeftOpen = new CComPortBase(paths[2], 115200);
    if (!g_pLeftOpen->IsOpened()) return 4;
    return 0;
}

// The first registered descriptor is swapped for a non-terminal before exit.
int restore_fails(char** paths)
{
    if (term_lib_init() < 0) return 2;
    int broken = open_tty(paths[0]);
    if (change(broken) < 0 || change(open_tty(paths[1])) < 0) return 3;
    int notTty = open("/dev/null", O_RDWR);
    dup2(notTty, broken);
    close(notTty);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "before-init") == 0) return before_init(argv[2]);
    if (argc == 5 && strcmp(argv[1], "restore") == 0) return restore(argv + 2);
    if (argc == 4 && strcmp(argv[1], "restore-fails") == 0) return restore_fails(argv + 2);
    fprintf(stderr, "usage: %s before-init|restore|restore-fails <pty paths>\n", argv[0]);
    return 1;
}
