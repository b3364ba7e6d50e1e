// Line settings of terminal devices, kept per descriptor: the attributes found at registration
// (given back at exit), the attributes last applied and the attributes being edited. Setters only
// edit; term_apply writes to the device. Every operation returns 0 (or the asked-for value) on
// success and -1 on failure, leaving the reason in term_errno.
#ifndef ZAVRIX_TERM_H
#define ZAVRIX_TERM_H

#include <termios.h>

constexpr int TERM_SLOT_COUNT = 16;

enum term_errno_e {
    TERM_EOK = 0,
    TERM_ENOINIT,
    TERM_EFULL,
    TERM_ENOTFOUND,
    TERM_EEXISTS,
    TERM_EATEXIT,
    TERM_EISATTY,
    TERM_EFLUSH,
    TERM_EGETATTR,
    TERM_ESETATTR,
    TERM_EBAUD,
    TERM_ESETOSPEED,
    TERM_ESETISPEED,
    TERM_EGETSPEED,
    TERM_EPARITY,
    TERM_EDATABITS,
    TERM_ESTOPBITS,
    TERM_EFLOW,
    TERM_EDTRDOWN,
    TERM_EDTRUP,
    TERM_EMCTL,
    TERM_EDRAIN,
    TERM_EBREAK,
};

enum parity_e { P_NONE = 0, P_EVEN = 1, P_ODD = 2, P_MARK = 3, P_SPACE = 4 };

enum flowcntrl_e { FC_NONE = 0, FC_RTSCTS = 1, FC_XONXOFF = 2, FC_OTHER = 3 };

// Modem-control line bits reported by term_get_mctl.
enum mctl_e {
    MCTL_DTR = 0x02,
    MCTL_DSR = 0x04,
    MCTL_DCD = 0x08,
    MCTL_RTS = 0x10,
    MCTL_CTS = 0x20,
    MCTL_RI = 0x40,
};

// Last failure of any operation, from any thread; set only on failure, never reset.
extern int term_errno;

struct baud_entry {
    int speed;
    speed_t code;
};
constexpr int BAUD_TABLE_SIZE = 18;
extern const baud_entry baud_table[BAUD_TABLE_SIZE];

// Process-wide line options; the serial port configures every port from them.
struct opt_t {
    char port[128];
    int baud;
    int flow;
    int parity;
    int databits;
    int stopbits;
    int echo;
    int noinit;
    int noreset;
    unsigned char escape;
    char send_cmd[128];
    char receive_cmd[128];
    int imap;
    int omap;
    int emap;
};
extern opt_t opts;

// The framework-wide lock. It is recursive, so a caller may hold it across several term_ calls to
// keep its own shared state (opts, the write chunk size) consistent with a configuration.
class term_lock_guard {
public:
    term_lock_guard();
    ~term_lock_guard();
    term_lock_guard(const term_lock_guard&) = delete;
    term_lock_guard& operator=(const term_lock_guard&) = delete;
};

// First call: starts the framework and installs the exit restore. Later calls give every
// registered device its registration-time attributes back and free all slots.
int term_lib_init();

int term_add(int fd);
int term_remove(int fd);
int term_erase(int fd);
int term_replace(int oldfd, int newfd);

int term_reset(int fd);
int term_revert(int fd);
int term_refresh(int fd);
int term_apply(int fd, int now);
int term_flush(int fd);
int term_drain(int fd);

int term_set_raw(int fd);
int term_set_baudrate(int fd, int baud);
int term_set_parity(int fd, int parity);
int term_set_databits(int fd, int databits);
int term_set_stopbits(int fd, int stopbits);
int term_set_flowcntrl(int fd, int flowcntl);
int term_set_local(int fd, int local);
int term_set_hupcl(int fd, int on);
int term_set(int fd, int raw, int baud, int parity, int databits, int stopbits, int fc, int local,
             int hupcl);

// Output speed of the applied attributes; the input speed goes to *ispeed when given.
int term_get_baudrate(int fd, int* ispeed = nullptr);
int term_get_parity(int fd);
int term_get_databits(int fd);
int term_get_stopbits(int fd);
int term_get_flowcntrl(int fd);

int term_pulse_dtr(int fd);
int term_raise_dtr(int fd);
int term_lower_dtr(int fd);
int term_get_mctl(int fd);
int term_break(int fd);

int term_baud_up(int baud);
int term_baud_down(int baud);
int term_baud_ok(int baud);

// Text of a framework code, with the system text of errnum for the codes that involve a system
// call; empty for codes without a text. Points into one shared buffer.
const char* term_strerror(unsigned terrnum, int errnum);
int term_perror(const char* prefix);

#endif
