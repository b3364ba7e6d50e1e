#include "termios2.h"

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

namespace {

// The kernel's own attribute record: fewer control characters than the C library's, and
// the speeds as numbers.
const int K_NCCS = 19;
struct termios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[K_NCCS];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
static_assert(sizeof(termios2) == 44, "kernel termios2 layout");

// Ours, sized by our record; the system headers' macros would need the kernel's.
#undef TCGETS2
#undef TCSETS2
#undef TCSETSW2
#undef TCSETSF2
#undef BOTHER
#undef IBSHIFT
const unsigned long TCGETS2 = _IOR('T', 0x2A, struct termios2);
const unsigned long TCSETS2 = _IOW('T', 0x2B, struct termios2);
const unsigned long TCSETSW2 = _IOW('T', 0x2C, struct termios2);
const unsigned long TCSETSF2 = _IOW('T', 0x2D, struct termios2);

// In the control flags: the speed field holds BOTHER when the speed is the record's number;
// the input-speed field sits IBSHIFT bits above the output one (0 there: same as output).
const tcflag_t BOTHER = 0x1000;
const int IBSHIFT = 16;

// The C library marks an input speed of 0 with this input-flag bit; the kernel must not see it.
const tcflag_t LIBC_IBAUD0 = 020000000000;

const tcflag_t IN_SPEED_FIELD = static_cast<tcflag_t>(CBAUD) << IBSHIFT;

} // namespace

int tc2setattr(int fd, int optional_actions, const struct termios *tios)
{
    unsigned long request;
    switch (optional_actions) {
    case TCSANOW: request = TCSETS2; break;
    case TCSADRAIN: request = TCSETSW2; break;
    case TCSAFLUSH: request = TCSETSF2; break;
    default:
        errno = EINVAL;
        return -1;
    }

    struct termios2 t2;
    memset(&t2, 0, sizeof(t2));
    t2.c_iflag = tios->c_iflag & ~LIBC_IBAUD0;
    t2.c_oflag = tios->c_oflag;
    t2.c_cflag = tios->c_cflag;
    t2.c_lflag = tios->c_lflag;
    t2.c_line = tios->c_line;
    memcpy(t2.c_cc, tios->c_cc, K_NCCS);
    t2.c_ispeed = tios->c_ispeed;
    t2.c_ospeed = tios->c_ospeed;
    return ioctl(fd, request, &t2);
}

int tc2getattr(int fd, struct termios *tios)
{
    struct termios2 t2;
    const int r = ioctl(fd, TCGETS2, &t2);
    if (r < 0)
        return r;
    tios->c_iflag = t2.c_iflag;
    tios->c_oflag = t2.c_oflag;
    tios->c_cflag = t2.c_cflag;
    tios->c_lflag = t2.c_lflag;
    tios->c_line = t2.c_line;
    memcpy(tios->c_cc, t2.c_cc, K_NCCS);
    memset(tios->c_cc + K_NCCS, 0, sizeof(tios->c_cc) - K_NCCS);
    tios->c_ispeed = t2.c_ispeed;
    tios->c_ospeed = t2.c_ospeed;
    return 0;
}

int cf2setispeed(struct termios *tios, speed_t speed)
{
    if (speed & ~static_cast<speed_t>(CBAUD)) {
        errno = EINVAL;
        return -1;
    }
    tios->c_ispeed = speed;
    tios->c_cflag &= ~IN_SPEED_FIELD;
    tios->c_cflag |= speed << IBSHIFT;
    return 0;
}

speed_t cf2getispeed(const struct termios *tios)
{
    return (tios->c_cflag >> IBSHIFT) & CBAUD;
}

int cf2setospeed_custom(struct termios *tios, int speed)
{
    if (speed <= 0) {
        errno = EINVAL;
        return -1;
    }
    tios->c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    tios->c_cflag |= BOTHER;
    tios->c_ospeed = static_cast<speed_t>(speed);
    return 0;
}

int cf2setispeed_custom(struct termios *tios, int speed)
{
    if (speed < 0) {
        errno = EINVAL;
        return -1;
    }
    tios->c_cflag &= ~IN_SPEED_FIELD;
    if (speed > 0) {
        tios->c_cflag |= BOTHER << IBSHIFT;
        tios->c_ispeed = static_cast<speed_t>(speed);
    }
    return 0;
}
