#include "term.h"

#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int term_errno = 0;

const baud_entry baud_table[BAUD_TABLE_SIZE] = {
    {0, B0},         {50, B50},       {75, B75},       {110, B110},     {134, B134},
    {150, B150},     {200, B200},     {300, B300},     {600, B600},     {1200, B1200},
    {1800, B1800},   {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200},
};

// Raw 8N1, no flow control, hang-up on close: what every port of the tool gets.
opt_t opts = {
    "", 9600, FC_NONE, P_NONE, 8, 1, 0, 0, 0, 0x01, "", "", 0, 0, 0x42,
};

namespace {

struct term_slots_t {
    int initialized;
    int fd[TERM_SLOT_COUNT];
    struct termios initial[TERM_SLOT_COUNT];
    struct termios current[TERM_SLOT_COUNT];
    struct termios next[TERM_SLOT_COUNT];
};

term_slots_t term;

// Statically initialised so that it is usable at any time, also from the exit handler.
pthread_mutex_t term_mutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

const char* const term_err_str[] = {
    "No error",
    "Framework is uninitialized",
    "Framework is full",
    "Filedes not in the framework",
    "Filedes already in the framework",
    "Cannot install atexit handler",
    "Filedes is not a tty",
    "Cannot flush the device",
    "Cannot get the device attributes",
    "Cannot set the device attributes",
    "Invalid baud rate",
    "Cannot set the output speed",
    "Cannot set the input speed",
    "Cannot decode speed",
    "Invalid parity mode",
    "Invalid number of databits",
    "Invalid number of stopbits",
    "Invalid flowcontrol mode",
    "Cannot lower DTR",
    "Cannot raise DTR",
    "Cannot get mctl status",
    "Cannot drain the device",
    "Cannot send break sequence",
};
constexpr unsigned TERM_ERR_COUNT = sizeof(term_err_str) / sizeof(term_err_str[0]);

char term_err_buff[1024];

// strerror_r comes in a GNU and an XSI flavour; these pick the text out of either.
[[maybe_unused]] const char* error_text(const char* gnu_result, const char*) { return gnu_result; }
[[maybe_unused]] const char* error_text(int, const char* buffer) { return buffer; }

std::string system_error_text(int errnum)
{
    char buffer[256] = "";
    return error_text(strerror_r(errnum, buffer, sizeof buffer), buffer);
}

int fail(int code)
{
    term_errno = code;
    return -1;
}

int Bcode(int speed)
{
    for (const baud_entry& row : baud_table) {
        if (row.speed == speed) {
            return static_cast<int>(row.code);
        }
    }
    return -1;
}

int Bspeed(speed_t code)
{
    for (const baud_entry& row : baud_table) {
        if (row.code == code) {
            return row.speed;
        }
    }
    return -1;
}

// Slot of a registered descriptor without touching term_errno; -1 when there is none. Free
// slots hold -1, so a negative descriptor must never be looked for.
int slot_of(int fd)
{
    if (!term.initialized || fd < 0) {
        return -1;
    }
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        if (term.fd[i] == fd) {
            return i;
        }
    }
    return -1;
}

int term_find(int fd)
{
    if (!term.initialized) {
        return fail(TERM_ENOINIT);
    }
    int i = slot_of(fd);
    return i < 0 ? fail(TERM_ENOTFOUND) : i;
}

int term_find_next_free()
{
    if (!term.initialized) {
        return fail(TERM_ENOINIT);
    }
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        if (term.fd[i] == -1) {
            return i;
        }
    }
    return fail(TERM_EFULL);
}

// Flush, then write the registration-time attributes back; the slot is freed either way.
void restore_slot(int i, const char* caller)
{
    int fd = term.fd[i];
    tcflush(fd, TCIOFLUSH);
    int r;
    do {
        r = tcsetattr(fd, TCSANOW, &term.initial[i]);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        int saved = errno;
        char name[256];
        bool named = ttyname_r(fd, name, sizeof name) == 0;
        fprintf(stderr, "%s: reset failed for dev %s: %s\n", caller, named ? name : "UNKNOWN",
                system_error_text(saved).c_str());
        errno = saved;
    }
    term.fd[i] = -1;
}

void restore_all(const char* caller)
{
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        if (term.fd[i] != -1) {
            restore_slot(i, caller);
        }
    }
}

void term_exitfunc()
{
    term_lock_guard lock;
    if (term.initialized) {
        restore_all("term_exitfunc");
    }
}

int set_dtr(int fd, unsigned long request, int code)
{
    term_lock_guard lock;
    if (term_find(fd) < 0) {
        return -1;
    }
    int bits = TIOCM_DTR;
    return ioctl(fd, request, &bits) < 0 ? fail(code) : 0;
}

}  // namespace

term_lock_guard::term_lock_guard() { pthread_mutex_lock(&term_mutex); }

term_lock_guard::~term_lock_guard() { pthread_mutex_unlock(&term_mutex); }

int term_lib_init()
{
    term_lock_guard lock;
    if (term.initialized) {
        restore_all("term_lib_init");
        return 0;
    }
    for (int& fd : term.fd) {
        fd = -1;
    }
    if (atexit(term_exitfunc) != 0) {
        return fail(TERM_EATEXIT);
    }
    term.initialized = 1;
    return 0;
}

int term_add(int fd)
{
    term_lock_guard lock;
    if (slot_of(fd) >= 0) {
        return fail(TERM_EEXISTS);
    }
    if (!isatty(fd)) {
        return fail(TERM_EISATTY);
    }
    int i = term_find_next_free();
    if (i < 0) {
        return -1;
    }
    if (tcgetattr(fd, &term.initial[i]) < 0) {
        return fail(TERM_EGETATTR);
    }
    term.current[i] = term.initial[i];
    term.next[i] = term.initial[i];
    term.fd[i] = fd;
    return 0;
}

int term_remove(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    int r = 0;
    if (tcflush(fd, TCIOFLUSH) < 0) {
        r = fail(TERM_EFLUSH);
    } else if (tcsetattr(fd, TCSANOW, &term.initial[i]) < 0) {
        r = fail(TERM_ESETATTR);
    }
    term.fd[i] = -1;
    return r;
}

int term_erase(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    term.fd[i] = -1;
    return 0;
}

int term_replace(int oldfd, int newfd)
{
    term_lock_guard lock;
    int i = term_find(oldfd);
    if (i < 0) {
        return -1;
    }
    if (tcsetattr(newfd, TCSANOW, &term.current[i]) < 0) {
        return fail(TERM_ESETATTR);
    }
    if (tcgetattr(newfd, &term.current[i]) < 0) {
        return fail(TERM_EGETATTR);
    }
    term.fd[i] = newfd;
    return 0;
}

int term_reset(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    if (tcflush(fd, TCIOFLUSH) < 0) {
        return fail(TERM_EFLUSH);
    }
    if (tcsetattr(fd, TCSANOW, &term.initial[i]) < 0) {
        return fail(TERM_ESETATTR);
    }
    if (tcgetattr(fd, &term.current[i]) < 0) {
        return fail(TERM_EGETATTR);
    }
    term.next[i] = term.current[i];
    return 0;
}

int term_revert(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    term.next[i] = term.current[i];
    return 0;
}

int term_refresh(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    return tcgetattr(fd, &term.current[i]) < 0 ? fail(TERM_EGETATTR) : 0;
}

int term_apply(int fd, int now)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    if (tcsetattr(fd, now ? TCSANOW : TCSAFLUSH, &term.next[i]) < 0) {
        return fail(TERM_ESETATTR);
    }
    // Keep what the driver accepted, not what was asked for.
    if (tcgetattr(fd, &term.next[i]) < 0) {
        return fail(TERM_EGETATTR);
    }
    term.current[i] = term.next[i];
    return 0;
}

int term_flush(int fd)
{
    term_lock_guard lock;
    if (term_find(fd) < 0) {
        return -1;
    }
    return tcflush(fd, TCIOFLUSH) < 0 ? -1 : 0;
}

int term_drain(int fd)
{
    term_lock_guard lock;
    if (term_find(fd) < 0) {
        return -1;
    }
    int r;
    do {
        r = tcdrain(fd);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? fail(TERM_EDRAIN) : 0;
}

int term_set_raw(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    cfmakeraw(&term.next[i]);
    // A read waits for at least one byte, without a timer.
    term.next[i].c_cc[VMIN] = 1;
    term.next[i].c_cc[VTIME] = 0;
    return 0;
}

int term_set_baudrate(int fd, int baud)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    int code = Bcode(baud);
    if (code < 0) {
        return fail(TERM_EBAUD);
    }
    struct termios tio = term.next[i];
    if (cfsetospeed(&tio, static_cast<speed_t>(code)) < 0) {
        return fail(TERM_ESETOSPEED);
    }
    // An input speed of 0 means "same as the output".
    cfsetispeed(&tio, B0);
    term.next[i] = tio;
    return 0;
}

int term_set_parity(int fd, int parity)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    tcflag_t& c = term.next[i].c_cflag;
    switch (parity) {
    case P_NONE: c &= ~(PARENB | PARODD | CMSPAR); break;
    case P_EVEN: c &= ~(PARODD | CMSPAR); c |= PARENB; break;
    case P_ODD: c &= ~CMSPAR; c |= PARENB | PARODD; break;
    case P_MARK: c |= PARENB | PARODD | CMSPAR; break;
    case P_SPACE: c &= ~PARODD; c |= PARENB | CMSPAR; break;
    default: return fail(TERM_EPARITY);
    }
    return 0;
}

int term_set_databits(int fd, int databits)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    tcflag_t size;
    switch (databits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return fail(TERM_EDATABITS);
    }
    term.next[i].c_cflag = (term.next[i].c_cflag & ~CSIZE) | size;
    return 0;
}

int term_set_stopbits(int fd, int stopbits)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    switch (stopbits) {
    case 1: term.next[i].c_cflag &= ~CSTOPB; break;
    case 2: term.next[i].c_cflag |= CSTOPB; break;
    default: return fail(TERM_ESTOPBITS);
    }
    return 0;
}

int term_set_flowcntrl(int fd, int flowcntl)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    struct termios& tio = term.next[i];
    switch (flowcntl) {
    case FC_NONE:
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        break;
    case FC_RTSCTS:
        tio.c_cflag |= CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        break;
    case FC_XONXOFF:
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag |= IXON | IXOFF;
        break;
    default: return fail(TERM_EFLOW);
    }
    return 0;
}

int term_set_local(int fd, int local)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    if (local) {
        term.next[i].c_cflag |= CLOCAL;
    } else {
        term.next[i].c_cflag &= ~CLOCAL;
    }
    return 0;
}

int term_set_hupcl(int fd, int on)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    if (on) {
        term.next[i].c_cflag |= HUPCL;
    } else {
        term.next[i].c_cflag &= ~HUPCL;
    }
    return 0;
}

int term_set(int fd, int raw, int baud, int parity, int databits, int stopbits, int fc, int local,
             int hupcl)
{
    term_lock_guard lock;
    int i = slot_of(fd);
    bool registered_here = false;
    if (i < 0) {
        if (term_add(fd) < 0) {
            return -1;
        }
        i = slot_of(fd);
        registered_here = true;
    }
    const struct termios saved = term.next[i];
    // Raw first, so that parity and data bits override what the raw preset chose.
    bool ok = (!raw || term_set_raw(fd) == 0) && term_set_baudrate(fd, baud) == 0
              && term_set_parity(fd, parity) == 0 && term_set_databits(fd, databits) == 0
              && term_set_stopbits(fd, stopbits) == 0 && term_set_flowcntrl(fd, fc) == 0
              && term_set_local(fd, local) == 0 && term_set_hupcl(fd, hupcl) == 0;
    if (ok) {
        return 0;
    }
    if (registered_here) {
        term.fd[i] = -1;
    } else {
        term.next[i] = saved;
    }
    return -1;
}

int term_get_baudrate(int fd, int* ispeed)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    if (ispeed) {
        *ispeed = Bspeed(cfgetispeed(&term.current[i]));
    }
    int speed = Bspeed(cfgetospeed(&term.current[i]));
    return speed < 0 ? fail(TERM_EGETSPEED) : speed;
}

int term_get_parity(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    tcflag_t c = term.current[i].c_cflag;
    if (!(c & PARENB)) {
        return P_NONE;
    }
    if (c & CMSPAR) {
        return (c & PARODD) ? P_MARK : P_SPACE;
    }
    return (c & PARODD) ? P_ODD : P_EVEN;
}

int term_get_databits(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    switch (term.current[i].c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

int term_get_stopbits(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    return (term.current[i].c_cflag & CSTOPB) ? 2 : 1;
}

int term_get_flowcntrl(int fd)
{
    term_lock_guard lock;
    int i = term_find(fd);
    if (i < 0) {
        return -1;
    }
    bool rtscts = term.current[i].c_cflag & CRTSCTS;
    tcflag_t in = term.current[i].c_iflag;
    bool xoff = in & IXOFF;
    bool xon_or_any = in & (IXON | IXANY);
    if (rtscts && !xoff && !xon_or_any) {
        return FC_RTSCTS;
    }
    if (!rtscts && xoff && xon_or_any) {
        return FC_XONXOFF;
    }
    if (!rtscts && !xoff && !xon_or_any) {
        return FC_NONE;
    }
    return FC_OTHER;
}

int term_lower_dtr(int fd) { return set_dtr(fd, TIOCMBIC, TERM_EDTRDOWN); }

int term_raise_dtr(int fd) { return set_dtr(fd, TIOCMBIS, TERM_EDTRUP); }

int term_pulse_dtr(int fd)
{
    term_lock_guard lock;
    if (term_lower_dtr(fd) < 0) {
        return -1;
    }
    sleep(1);
    return term_raise_dtr(fd);
}

int term_get_mctl(int fd)
{
    term_lock_guard lock;
    if (term_find(fd) < 0) {
        return -1;
    }
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) < 0) {
        return -1;
    }
    int bits = 0;
    bits |= (lines & TIOCM_DTR) ? MCTL_DTR : 0;
    bits |= (lines & TIOCM_DSR) ? MCTL_DSR : 0;
    bits |= (lines & TIOCM_CAR) ? MCTL_DCD : 0;
    bits |= (lines & TIOCM_RTS) ? MCTL_RTS : 0;
    bits |= (lines & TIOCM_CTS) ? MCTL_CTS : 0;
    bits |= (lines & TIOCM_RNG) ? MCTL_RI : 0;
    return bits;
}

int term_break(int fd)
{
    term_lock_guard lock;
    if (term_find(fd) < 0) {
        return -1;
    }
    return tcsendbreak(fd, 0) < 0 ? fail(TERM_EBREAK) : 0;
}

int term_baud_up(int baud)
{
    for (const baud_entry& row : baud_table) {
        if (row.speed > baud) {
            return row.speed;
        }
    }
    return baud;
}

int term_baud_down(int baud)
{
    for (int i = BAUD_TABLE_SIZE - 1; i >= 0; i--) {
        if (baud_table[i].speed < baud) {
            return baud_table[i].speed;
        }
    }
    return baud;
}

int term_baud_ok(int baud) { return Bcode(baud) >= 0 ? 1 : 0; }

const char* term_strerror(unsigned terrnum, int errnum)
{
    term_lock_guard lock;
    term_err_buff[0] = '\0';
    switch (terrnum) {
    case TERM_EFLUSH:
    case TERM_EGETATTR:
    case TERM_ESETATTR:
    case TERM_ESETOSPEED:
    case TERM_ESETISPEED:
    case TERM_EDRAIN:
    case TERM_EBREAK:
        snprintf(term_err_buff, sizeof term_err_buff, "%s: %s", term_err_str[terrnum],
                 system_error_text(errnum).c_str());
        break;
    case TERM_EGETSPEED:
        break;
    default:
        if (terrnum < TERM_ERR_COUNT) {
            snprintf(term_err_buff, sizeof term_err_buff, "%s", term_err_str[terrnum]);
        }
        break;
    }
    return term_err_buff;
}

int term_perror(const char* prefix)
{
    term_lock_guard lock;
    int saved = errno;
    const char* text = term_strerror(static_cast<unsigned>(term_errno), saved);
    if (*text == '\0') {
        return fprintf(stderr, "%s framework error %d\n", prefix, term_errno);
    }
    return fprintf(stderr, "%s %s\n", prefix, text);
}
