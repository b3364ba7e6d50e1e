// Runs a command in a private mount namespace whose /dev is a tmpfs holding only null, zero,
// random, urandom, tty, the pseudo-terminals (/dev/pts, /dev/ptmx), the fd/stdin/stdout/stderr
// links and the links the caller names, such as /dev/ttyUSB0 -> /dev/pts/3. The machine's own
// /dev is never changed: every mount happens in the child's namespace. Needs root.
#ifndef SIMMODEM_PRIVATEDEV_H
#define SIMMODEM_PRIVATEDEV_H

#include <chrono>
#include <string>
#include <vector>

namespace simmodem {

struct DevLink {
    std::string name;   // under /dev, such as "ttyUSB0"
    std::string target; // such as "/dev/pts/3"
};

enum class Input {
    Text,     // a pipe holding `input`, closed after it
    Terminal, // a raw pseudo-terminal holding `input`, as keys typed ahead
    Inherit,  // ours; the command then stays in our process group, so it may read a terminal
};

struct RunRequest {
    std::vector<std::string> argv; // searched on PATH
    std::vector<DevLink> links;
    Input inputKind = Input::Text;
    std::string input;
    bool capture = true;                    // else the command writes to our stdout and stderr
    std::chrono::milliseconds timeout{0};   // 0: none; else its process group is killed then
};

struct RunResult {
    bool started = false; // false: the namespace or the command could not be set up
    std::string error;    // why, when not started
    bool timedOut = false;
    int exitCode = -1;    // -1 when it ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

RunResult RunInPrivateDev(const RunRequest& request);

// The shell's view of a result: the exit code, 128 + the signal, or 125 when it never started.
int ShellStatus(const RunResult& result);

} // namespace simmodem

#endif
