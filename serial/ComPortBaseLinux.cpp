#include "ComPortBaseLinux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ComPortBase.h"
#include "term.h"

int tty_write_sz = 0;

namespace {

// The pacing below decides how long every exchange step of the tool takes.
constexpr long long WAIT_BUDGET_US = 1000;  // total time one Write or Read may wait in poll
constexpr uint64_t CYCLE_PAUSE_US = 500;
constexpr int WRITE_CYCLES = 5;
constexpr int READ_CYCLES = 10;
constexpr int CYCLES_PER_DATA = 10;
constexpr int MAX_CYCLES = 1000;
constexpr size_t READ_BLOCK = 128;
constexpr int MIN_WRITE_CHUNK = 8;
constexpr long long BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit
constexpr long long WRITE_SLACK_US = 1000000;
constexpr long long DRAIN_SLACK_US = 20000;
constexpr useconds_t DRAIN_POLL_US = 1000;

long long monotonic_us()
{
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// strerror_r comes in a GNU and an XSI flavour; these pick the text out of either.
[[maybe_unused]] const char* error_text(const char* gnu_result, const char*) { return gnu_result; }
[[maybe_unused]] const char* error_text(int, const char* buffer) { return buffer; }

std::string system_error_text(int errnum)
{
    char buffer[256] = "";
    return error_text(strerror_r(errnum, buffer, sizeof buffer), buffer);
}

int chunk_for_speed(int speed) { return std::max(speed / 10, MIN_WRITE_CHUNK); }

}  // namespace

CComPortBaseLinux::CComPortBaseLinux(std::string port, int baud)
    : port(std::move(port)), baud(baud), writeChunk(chunk_for_speed(baud))
{
}

CComPortBaseLinux::~CComPortBaseLinux() { Close(); }

int CComPortBaseLinux::ResetAllComPort() { return term_lib_init(); }

bool CComPortBaseLinux::Open()
{
    if (fd != -1) {
        return true;
    }
    fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd == -1) {
        // A missing or busy device is reported by the caller, not recorded here.
        return false;
    }
    return SetParam();
}

bool CComPortBaseLinux::SetParam()
{
    if (fd == -1) {
        return false;
    }
    // Held throughout, so the shared opts and tty_write_sz always match one configuration.
    term_lock_guard lock;
    opts.baud = baud;
    if (term_set(fd, 1, baud, opts.parity, opts.databits, opts.stopbits, opts.flow, 1,
                 opts.noreset ? 0 : 1)
        < 0) {
        HandleError();
        return false;
    }
    if (term_apply(fd, 0) < 0) {
        HandleError();
        return false;
    }
    writeChunk = chunk_for_speed(term_get_baudrate(fd));
    tty_write_sz = writeChunk;
    return true;
}

bool CComPortBaseLinux::Close()
{
    if (fd == -1) {
        return true;
    }
    // Clearing HUPCL first keeps DTR raised, so closing does not hang the modem up.
    term_set_hupcl(fd, 0);
    // Once the driver counts nothing left to send, discarding output can only cut bytes it no
    // longer counts (a pseudo-terminal's, a FIFO's): only stale input goes then. Output is
    // discarded too when the line would not take it, so that closing does not wait for it.
    if (DrainOutput()) {
        tcflush(fd, TCIFLUSH);
    } else {
        term_flush(fd);
    }
    term_apply(fd, 1);
    term_erase(fd);
    close(fd);
    fd = -1;
    return true;
}

bool CComPortBaseLinux::IsOpened() const { return fd != -1; }

bool CComPortBaseLinux::IsComError() const { return errorCode != 0; }

std::string CComPortBaseLinux::GetErrorMsg() const { return errorMsg; }

void CComPortBaseLinux::HandleError()
{
    if (errorCode != 0 || errno == 0) {
        return;
    }
    errorCode = errno;
    char code[32];
    snprintf(code, sizeof code, "Code: %d  ", errorCode);
    errorMsg = code + system_error_text(errorCode);
}

bool CComPortBaseLinux::Write(std::string command)
{
    if (fd == -1) {
        return false;
    }
    const std::string queue = std::move(command);
    size_t sent = 0;
    long long budget = WAIT_BUDGET_US;
    // A slow line may need more than the usual cycles: keep going while the bytes can still
    // leave at the port's speed.
    const long long deadline = monotonic_us() + TransferTimeUs(queue.size()) + WRITE_SLACK_US;
    int limit = WRITE_CYCLES;
    CPacer pacer;
    for (int cycles = 0; cycles < limit || (sent < queue.size() && monotonic_us() < deadline);
         cycles++) {
        bool pending = sent < queue.size();
        Readiness ready;
        Wait wait = WaitReady(pending, budget, ready);
        if (wait == Wait::Failed) {
            return false;
        }
        if (wait == Wait::Ready) {
            if (ready.readable) {
                bool gotData = false;
                if (!ReadBlock(pendingInput, gotData)) {
                    return false;
                }
                if (gotData) {
                    limit = std::min(limit + CYCLES_PER_DATA, MAX_CYCLES);
                }
            }
            if (ready.writable && pending) {
                size_t len = std::min(queue.size() - sent, static_cast<size_t>(writeChunk));
                ssize_t n;
                do {
                    n = write(fd, queue.data() + sent, len);
                } while (n < 0 && errno == EINTR);
                if (n <= 0) {
                    return false;
                }
                sent += static_cast<size_t>(n);
                pacer.Pause(CYCLE_PAUSE_US);
            }
            if (ready.exceptional) {
                return false;
            }
        }
        pacer.Pause(CYCLE_PAUSE_US);
    }
    return sent == queue.size();
}

bool CComPortBaseLinux::Read(std::string& output)
{
    CPacer pacer;
    return ReadPaced(output, pacer);
}

bool CComPortBaseLinux::ReadPaced(std::string& output, CPacer& pacer)
{
    output += pendingInput;
    pendingInput.clear();
    if (fd == -1) {
        return false;
    }
    long long budget = WAIT_BUDGET_US;
    int limit = READ_CYCLES;
    pacer.Pause(CYCLE_PAUSE_US);
    for (int cycles = 0; cycles < limit; cycles++) {
        Readiness ready;
        Wait wait = WaitReady(false, budget, ready);
        if (wait == Wait::Failed) {
            return false;
        }
        if (wait == Wait::Ready) {
            if (ready.readable) {
                bool gotData = false;
                if (!ReadBlock(output, gotData)) {
                    return false;
                }
                if (gotData) {
                    limit = std::min(limit + CYCLES_PER_DATA, MAX_CYCLES);
                }
            }
            if (ready.exceptional) {
                return false;
            }
        }
        pacer.Pause(CYCLE_PAUSE_US);
    }
    return false;
}

bool CComPortBaseLinux::ReadAll(std::string& output)
{
    CPacer pacer;
    std::string arrived;
    ReadPaced(arrived, pacer);
    output += arrived;
    pacer.Pause(1);
    return true;
}

// poll, not select: a descriptor number above FD_SETSIZE must not overflow an fd_set.
CComPortBaseLinux::Wait CComPortBaseLinux::WaitReady(bool wantWrite, long long& budgetUs,
                                                     Readiness& ready) const
{
    struct pollfd watch {};
    watch.fd = fd;
    watch.events = POLLIN | POLLPRI | (wantWrite ? POLLOUT : 0);
    struct timespec timeout {};
    timeout.tv_sec = budgetUs / 1000000;
    timeout.tv_nsec = (budgetUs % 1000000) * 1000;
    long long start = monotonic_us();
    int r = ppoll(&watch, 1, &timeout, nullptr);
    budgetUs = std::max(0LL, budgetUs - (monotonic_us() - start));
    if (r < 0) {
        return errno == EINTR ? Wait::Interrupted : Wait::Failed;
    }
    if (watch.revents & POLLNVAL) {
        return Wait::Failed;
    }
    // The same conditions select reports as readable, writable and exceptional.
    ready.readable = watch.revents & (POLLIN | POLLHUP | POLLERR);
    ready.writable = wantWrite && (watch.revents & (POLLOUT | POLLERR));
    ready.exceptional = watch.revents & POLLPRI;
    return Wait::Ready;
}

bool CComPortBaseLinux::ReadBlock(std::string& output, bool& gotData) const
{
    char block[READ_BLOCK];
    ssize_t n;
    do {
        n = read(fd, block, sizeof block);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        output.append(block, static_cast<size_t>(n));
        gotData = true;
        return true;
    }
    return n < 0 && errno == EAGAIN;
}

long long CComPortBaseLinux::TransferTimeUs(long long bytes) const
{
    return baud > 0 ? bytes * BITS_PER_BYTE * 1000000 / baud : 0;
}

// Waits, bounded by the time the queued bytes need at the port's speed, until the device has
// sent what is still queued, so the flush before closing does not cut a command's tail. True
// when nothing is left queued.
bool CComPortBaseLinux::DrainOutput() const
{
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) < 0) {
        return false;
    }
    const long long deadline = monotonic_us() + TransferTimeUs(queued) + DRAIN_SLACK_US;
    while (queued > 0 && monotonic_us() < deadline) {
        usleep(DRAIN_POLL_US);
        if (ioctl(fd, TIOCOUTQ, &queued) < 0) {
            return false;
        }
    }
    return queued <= 0;
}

bool IsReadFinished(std::string text)
{
    for (const char* end : {"OK", "ERROR", ">", "SMS FULL", "SMS DONE"}) {
        if (text.find(end) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Serial-terminal code
// ---------------------------------------------------------------------------------------------

#include <poll.h>
#include <sys/wait.h>

#include <cstdlib>

#include "fdio.h"
#include "split.h"

int m_nComFd;
volatile sig_atomic_t sig_exit = 0;

const map_name_t map_names[] = {
    {"crlf", M_CRLF},     {"crcrlf", M_CRCRLF}, {"igncr", M_IGNCR}, {"lfcr", M_LFCR},
    {"lfcrlf", M_LFCRLF}, {"ignlf", M_IGNLF},   {"delbs", M_DELBS}, {"bsdel", M_BSDEL},
    {nullptr, 0},
};

namespace {

constexpr int STI = STDIN_FILENO;
constexpr int STO = STDOUT_FILENO;
constexpr int STE = STDERR_FILENO;

constexpr int RUNCMD_ARGS_MAX = 32;
constexpr int RUNCMD_EXEC_FAIL = 126;
constexpr size_t PORT_READ_SZ = 128;

struct tx_queue_t {
    int len = 0;
    char buff[TTY_Q_SZ];
};

enum class term_state_t { Transparent, Command };

// Maps the typed byte into the queue, or rings the bell when the queue is (nearly) full.
void queue_key(tx_queue_t& q, char c)
{
    if (q.len + 4 > TTY_Q_SZ) {
        fd_printf(STO, "\a");
        return;
    }
    q.len += do_map(q.buff + q.len, opts.omap, c);
    if (opts.echo) {
        map_and_write(STO, opts.emap, c);
    }
}

// One byte from the keyboard. False when a key command asks the loop to end.
bool handle_key(term_state_t& state, tx_queue_t& q)
{
    unsigned char c;
    ssize_t n;
    do {
        n = read(STI, &c, 1);
    } while (n < 0 && errno == EINTR);
    if (n == 0) {
        fatal("stdin closed");
    }
    if (n < 0) {
        if (errno != EAGAIN) {
            fatal("read from stdin failed: %s", strerror(errno));
        }
        return true;
    }
    if (state == term_state_t::Transparent) {
        if (c == opts.escape) {
            state = term_state_t::Command;
        } else {
            queue_key(q, static_cast<char>(c));
        }
        return true;
    }
    state = term_state_t::Transparent;
    if (c == opts.escape) {
        queue_key(q, static_cast<char>(c));  // the escape key twice sends it once
        return true;
    }
    return do_command(c) == 0;
}

void copy_port_to_screen()
{
    char rd[PORT_READ_SZ];
    char mapped[PORT_READ_SZ * 2];
    ssize_t n;
    do {
        n = read(m_nComFd, rd, sizeof rd);
    } while (n < 0 && errno == EINTR);
    if (n == 0) {
        fatal("term closed");
    }
    if (n < 0) {
        if (errno != EAGAIN) {
            fatal("read from term failed: %s", strerror(errno));
        }
        return;
    }
    int len = 0;
    for (ssize_t i = 0; i < n; i++) {
        len += do_map(mapped + len, opts.imap, rd[i]);
    }
    if (writen_ni(STO, mapped, len) < len) {
        fatal("write to stdout failed: %s", strerror(errno));
    }
}

void send_queue(tx_queue_t& q)
{
    // Before any port has been configured the chunk size is 0: send without a limit then.
    int sz = q.len;
    if (tty_write_sz > 0 && tty_write_sz < sz) {
        sz = tty_write_sz;
    }
    ssize_t n;
    do {
        n = write(m_nComFd, q.buff, sz);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        fatal("write to term failed: %s", strerror(errno));
    }
    memmove(q.buff, q.buff + n, q.len - n);
    q.len -= static_cast<int>(n);
}

// What the runner says about the child's end; its result is run_cmd's.
int report_child_end(pid_t r, int status)
{
    if (r > 0 && WIFEXITED(status)) {
        fd_printf(STO, "\r\n*** exit status: %d ***\r\n", WEXITSTATUS(status));
        return WEXITSTATUS(status);
    }
    if (r > 0 && WIFSIGNALED(status)) {
        fd_printf(STO, "\r\n*** killed by signal: %d ***\r\n", WTERMSIG(status));
        return -1;
    }
    // Also when waitpid itself failed: status holds nothing then.
    fd_printf(STO, "\r\n*** abnormal termination: 0x%x ***\r\n", static_cast<unsigned>(r));
    return -1;
}

// The child of run_cmd: the port becomes its standard input and output. _exit, so that the
// parent's exit handlers and stdio buffers stay the parent's.
[[noreturn]] void exec_child(int fd, const char* cmd, const char* args_extra,
                             const sigset_t* parent_mask)
{
    term_remove(STI);
    term_erase(fd);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    close(STI);
    close(STO);
    dup2(fd, STI);
    dup2(fd, STO);

    char* argv[RUNCMD_ARGS_MAX + 1];
    int argc = 0;
    if (split_quoted(cmd, &argc, argv, RUNCMD_ARGS_MAX) < 0) {
        fd_printf(STE, "Cannot parse command\n");
        _exit(RUNCMD_EXEC_FAIL);
    }
    if (split_quoted(args_extra, &argc, argv, RUNCMD_ARGS_MAX) < 0) {
        fd_printf(STE, "Cannot parse extra args\n");
        _exit(RUNCMD_EXEC_FAIL);
    }
    if (argc < 1) {
        fd_printf(STE, "No command given\n");
        _exit(RUNCMD_EXEC_FAIL);
    }
    argv[argc] = nullptr;

    fd_printf(STE, "$ %s %s\n", cmd, args_extra);
    establish_child_signal_handlers();
    sigprocmask(SIG_SETMASK, parent_mask, nullptr);
    execvp(argv[0], argv);
    fd_printf(STE, "exec: %s\n", strerror(errno));
    _exit(RUNCMD_EXEC_FAIL);
}

void set_disposition(int signum, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signum, &action, nullptr);
}

}  // namespace

// poll rather than select: a port descriptor above FD_SETSIZE must not overflow an fd_set.
void loop()
{
    term_state_t state = term_state_t::Transparent;
    tx_queue_t q;

    while (!sig_exit) {
        struct pollfd watch[2] = {};
        watch[0].fd = STI;
        watch[0].events = POLLIN;
        watch[1].fd = m_nComFd;
        watch[1].events = POLLIN | (q.len ? POLLOUT : 0);
        if (poll(watch, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            fatal("poll failed: %s", strerror(errno));
        }
        if ((watch[0].revents | watch[1].revents) & POLLNVAL) {
            fatal("poll on a closed descriptor");
        }
        // The conditions select reports as readable and writable.
        if (watch[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!handle_key(state, q)) {
                return;
            }
        }
        if (watch[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            copy_port_to_screen();
        }
        if (q.len && (watch[1].revents & (POLLOUT | POLLERR))) {
            send_queue(q);
        }
    }
}

int do_command(unsigned char) { return 0; }

int do_map(char* b, int map, char c)
{
    int n = 1;
    switch (c) {
    case '\r':
        if (map & M_CRLF) {
            b[0] = '\n';
        } else if (map & M_CRCRLF) {
            b[0] = '\r';
            b[1] = '\n';
            n = 2;
        } else if (map & M_IGNCR) {
            n = 0;
        } else {
            b[0] = c;
        }
        break;
    case '\n':
        if (map & M_LFCR) {
            b[0] = '\r';
        } else if (map & M_LFCRLF) {
            b[0] = '\r';
            b[1] = '\n';
            n = 2;
        } else if (map & M_IGNLF) {
            n = 0;
        } else {
            b[0] = c;
        }
        break;
    case '\x08':
        b[0] = (map & M_BSDEL) ? '\x7f' : c;
        break;
    case '\x7f':
        b[0] = (map & M_DELBS) ? '\x08' : c;
        break;
    default:
        b[0] = c;
        break;
    }
    return n;
}

void map_and_write(int fd, int map, char c)
{
    char b[2];
    int n = do_map(b, map, c);
    if (n > 0 && writen_ni(fd, b, n) < n) {
        fatal("write to stdout failed: %s", strerror(errno));
    }
}

int parse_map(char* s)
{
    int flags = 0;
    char* save = nullptr;
    for (char* m = strtok_r(s, ", \t", &save); m; m = strtok_r(nullptr, ", \t", &save)) {
        const map_name_t* row = map_names;
        while (row->name && strcmp(m, row->name) != 0) {
            row++;
        }
        if (!row->name) {
            return -1;
        }
        flags |= row->flag;
    }
    return flags;
}

void print_map(int flags)
{
    for (const map_name_t* row = map_names; row->name; row++) {
        if (flags & row->flag) {
            fd_printf(STO, "%s,", row->name);
        }
    }
    fd_printf(STO, "\n");
}

int run_cmd(int fd, const char* cmd, const char* args_extra)
{
    // SIGTERM waits until the child has its own dispositions.
    sigset_t sigm, sigm_old;
    sigemptyset(&sigm);
    sigaddset(&sigm, SIGTERM);
    sigprocmask(SIG_BLOCK, &sigm, &sigm_old);

    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        sigprocmask(SIG_SETMASK, &sigm_old, nullptr);
        fd_printf(STO, "*** cannot fork: %s ***\r\n", strerror(err));
        return -1;
    }
    if (pid == 0) {
        exec_child(fd, cmd, args_extra, &sigm_old);
    }

    sigprocmask(SIG_SETMASK, &sigm_old, nullptr);
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    // The child gave standard input its registration-time settings back; ours return now.
    term_apply(STI, 0);
    return report_child_end(r, status);
}

void establish_signal_handlers()
{
    set_disposition(SIGTERM, deadly_handler);
    for (int signum : {SIGINT, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGPIPE}) {
        set_disposition(signum, SIG_IGN);
    }
}

// Passes the signal on to the whole process group once; the repeat reaching us does nothing.
void deadly_handler(int)
{
    if (sig_exit) {
        return;
    }
    sig_exit = 1;
    kill(0, SIGTERM);
}

void establish_child_signal_handlers()
{
    set_disposition(SIGINT, SIG_DFL);
    set_disposition(SIGTERM, SIG_DFL);
}

void fatal(const char*, ...)
{
    sleep(1);
    exit(EXIT_FAILURE);
}

int read_baud()
{
    for (;;) {
        char baudstr[9];
        fd_printf(STO, "\r\n*** baud: ");
        int r = fd_readline(STI, STO, baudstr, sizeof baudstr);
        fd_printf(STO, "\r\n");
        if (r < 0) {
            return -1;
        }
        char* end = nullptr;
        long baud = strtol(baudstr, &end, 0);
        if (*end == '\0' && baud != 0 && term_baud_ok(static_cast<int>(baud))) {
            return static_cast<int>(baud);
        }
        fd_printf(STO, "*** Invalid baudrate!");
    }
}

char* read_filename() { return nullptr; }

void show_status() {}

void show_keys()
{
    const char* const lines[][2] = {
        {"x", "Exit tervane"},
        {"q", "Exit without reseting serial port"},
        {"b", "Set baudrate"},
        {"u", "Increase baudrate (baud-up)"},
        {"d", "Decrease baudrate (baud-down)"},
        {"i", "Change number of databits"},
        {"j", "Change number of stopbits"},
        {"f", "Change flow-control mode"},
        {"y", "Change parity mode"},
        {"p", "Pulse DTR"},
        {"t", "Toggle DTR"},
        {"|", "Send break"},
        {"c", "Toggle local echo"},
        {"s", "Send file"},
        {"r", "Receive file"},
        {"v", "Show port settings"},
        {"h", "Show this message"},
    };
    fd_printf(STO, "\r\n");
    fd_printf(STO, "*** Tervane commands (all prefixed by [C-%c])\r\n", opts.escape | 0x60);
    fd_printf(STO, "\r\n");
    for (const auto& line : lines) {
        fd_printf(STO, "*** [C-%c] : %s\r\n", line[0][0], line[1]);
    }
    fd_printf(STO, "\r\n");
}

void show_usage(const char* name)
{
    const char* slash = strrchr(name, '/');
    const char* prog = slash ? slash + 1 : name;
    printf("\nCompiled-in options:\n");
    printf("  TTY_Q_SZ is %d\n", TTY_Q_SZ);
    printf("\nUsage is: %s [options] <tty device>\n", prog);
    static const char* const lines[] = {
        "Options are:",
        "  --<b>aud <baudrate>",
        "  --<f>low x (=soft,xon/xoff) | h (=hard) | n (=none)",
        "  --parit<y> o (=odd) | e (=even) | n (=none)",
        "  --<d>atabits 5 | 6 | 7 | 8",
        "  --sto<p>bits 1 | 2",
        "  --<e>scape <char>",
        "  --e<c>ho",
        "  --no<i>nit",
        "  --no<r>eset",
        "  --no<l>ock",
        "  --<s>end-cmd <command>",
        "  --recei<v>e-cmd <command>",
        "  --imap <map> (input mappings)",
        "  --omap <map> (output mappings)",
        "  --emap <map> (local-echo mappings)",
        "  --<h>elp",
        "<map> is a comma-separated list of one or more of:",
        "  crlf : map CR --> LF",
        "  crcrlf : map CR --> CR + LF",
        "  igncr : ignore CR",
        "  lfcr : map LF --> CR",
        "  lfcrlf : map LF --> CR + LF",
        "  ignlf : ignore LF",
        "  bsdel : map BS --> DEL",
        "  delbs : map DEL --> BS",
        "<?> indicates the equivalent short option.",
        "Short options are prefixed by \"-\" instead of by \"--\".",
    };
    for (const char* line : lines) {
        printf("%s\n", line);
    }
    fflush(stdout);
}

int baud_up(int baud) { return term_baud_up(baud); }

int baud_down(int baud)
{
    int nb = term_baud_down(baud);
    return nb == 0 ? baud : nb;
}

int flow_next(int flow)
{
    switch (flow) {
    case FC_NONE: return FC_RTSCTS;
    case FC_RTSCTS: return FC_XONXOFF;
    default: return FC_NONE;
    }
}

int parity_next(int parity)
{
    switch (parity) {
    case P_NONE: return P_EVEN;
    case P_EVEN: return P_ODD;
    default: return P_NONE;
    }
}

int bits_next(int bits)
{
    bits++;
    return bits > 8 ? 5 : bits;
}

int stopbits_next(int stopbits)
{
    stopbits++;
    return stopbits > 2 ? 1 : stopbits;
}
