// Terminal attributes through the Linux termios2 interface, which carries line speeds as
// plain numbers, so rates without a POSIX speed constant can be set.
#ifndef ZAVRIX_TERMIOS2_H
#define ZAVRIX_TERMIOS2_H

#include <termios.h>

// action 0, 1, 2 as TCSANOW, TCSADRAIN, TCSAFLUSH; any other: -1 with EINVAL.
int tc2setattr(int fd, int optional_actions, const struct termios *tios);
int tc2getattr(int fd, struct termios *tios);

int cf2setispeed(struct termios *tios, speed_t speed);
speed_t cf2getispeed(const struct termios *tios);

// Speeds in bits per second.
int cf2setospeed_custom(struct termios *tios, int speed);
int cf2setispeed_custom(struct termios *tios, int speed);

#endif
