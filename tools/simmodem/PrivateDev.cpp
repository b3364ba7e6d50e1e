#include "PrivateDev.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "UniqueFd.h"

namespace simmodem {

namespace {

using Clock = std::chrono::steady_clock;

// After the command ends, what it left running gets this long to let go of our pipes.
const std::chrono::milliseconds STRAGGLER_GRACE{200};
const std::chrono::milliseconds STRAGGLER_GIVE_UP{1000};

const char* const HOST_NODES[] = {"null", "zero", "random", "urandom", "tty"};
const int NODE_COUNT = sizeof HOST_NODES / sizeof HOST_NODES[0];
const int OPTIONAL_NODE = 4; // tty: a machine without it still runs the tool

const char* const STANDARD_LINKS[][2] = {{"pts/ptmx", "/dev/ptmx"},
                                         {"/proc/self/fd", "/dev/fd"},
                                         {"/proc/self/fd/0", "/dev/stdin"},
                                         {"/proc/self/fd/1", "/dev/stdout"},
                                         {"/proc/self/fd/2", "/dev/stderr"}};

enum Step { STEP_STDIO, STEP_UNSHARE, STEP_PRIVATE, STEP_HOST_NODE, STEP_TMPFS, STEP_NODE, STEP_PTS,
            STEP_LINK, STEP_EXEC };
const char* const STEP_NAMES[] = {"redirect standard streams", "unshare the mount namespace",
                                  "make the mounts private", "open a device of the machine",
                                  "mount a tmpfs over /dev", "bind a device into /dev",
                                  "bind /dev/pts", "make a /dev link", "run the command"};

struct Report {
    int step;
    int error;
    int index;
};

// Everything the child needs, made before the fork: between fork and exec it may only make
// system calls.
struct ChildPlan {
    std::vector<std::string> nodePaths;    // "/dev/null", ...
    std::vector<std::string> linkPaths;    // "/dev/ttyUSB0", ...
    std::vector<std::string> linkTargets;
    std::vector<const char*> argv;
    int stdio[3] = {-1, -1, -1}; // -1: keep ours
    int report = -1;
    bool newGroup = true;
};

[[noreturn]] void Fail(const ChildPlan& plan, int step, int index = 0)
{
    Report report = {step, errno, index};
    (void)!write(plan.report, &report, sizeof report);
    _exit(127);
}

// "/proc/self/fd/<fd>" without the allocating formatters.
void FdPath(int fd, char* out)
{
    const char prefix[] = "/proc/self/fd/";
    std::memcpy(out, prefix, sizeof prefix - 1);
    char digits[16];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + fd % 10);
        fd /= 10;
    } while (fd > 0);
    char* end = out + sizeof prefix - 1;
    while (count > 0) {
        *end++ = digits[--count];
    }
    *end = '\0';
}

bool Bind(int sourceFd, const char* target)
{
    char source[64];
    FdPath(sourceFd, source);
    return mount(source, target, nullptr, MS_BIND, nullptr) == 0;
}

[[noreturn]] void RunChild(const ChildPlan& plan)
{
    if (plan.newGroup) {
        setpgid(0, 0);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    for (int target = 0; target < 3; ++target) {
        int fd = plan.stdio[target];
        if (fd < 0) {
            continue;
        }
        if ((fd == target ? fcntl(fd, F_SETFD, 0) : dup2(fd, target)) < 0) {
            Fail(plan, STEP_STDIO);
        }
    }
    if (unshare(CLONE_NEWNS) != 0) {
        Fail(plan, STEP_UNSHARE);
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        Fail(plan, STEP_PRIVATE);
    }
    // The machine's devices are opened before the tmpfs hides them, and bound back from there.
    int nodes[NODE_COUNT];
    for (int i = 0; i < NODE_COUNT; ++i) {
        nodes[i] = open(plan.nodePaths[i].c_str(), O_PATH | O_CLOEXEC);
        if (nodes[i] < 0 && i != OPTIONAL_NODE) {
            Fail(plan, STEP_HOST_NODE, i);
        }
    }
    int pts = open("/dev/pts", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (pts < 0) {
        Fail(plan, STEP_HOST_NODE, NODE_COUNT);
    }
    if (mount("zavrix-dev", "/dev", "tmpfs", MS_NOSUID | MS_NOEXEC, "mode=755,size=1m") != 0) {
        Fail(plan, STEP_TMPFS);
    }
    for (int i = 0; i < NODE_COUNT; ++i) {
        if (nodes[i] < 0) {
            continue;
        }
        int file = open(plan.nodePaths[i].c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0666);
        if (file < 0 || close(file) != 0 || !Bind(nodes[i], plan.nodePaths[i].c_str())) {
            Fail(plan, STEP_NODE, i);
        }
        close(nodes[i]);
    }
    if (mkdir("/dev/pts", 0755) != 0 || !Bind(pts, "/dev/pts")) {
        Fail(plan, STEP_PTS);
    }
    close(pts);
    for (const auto& link : STANDARD_LINKS) {
        if (symlink(link[0], link[1]) != 0) {
            Fail(plan, STEP_LINK, -1);
        }
    }
    for (std::size_t i = 0; i < plan.linkPaths.size(); ++i) {
        if (symlink(plan.linkTargets[i].c_str(), plan.linkPaths[i].c_str()) != 0) {
            Fail(plan, STEP_LINK, static_cast<int>(i));
        }
    }
    execvp(plan.argv[0], const_cast<char* const*>(plan.argv.data()));
    Fail(plan, STEP_EXEC);
}

std::string Describe(const Report& report, const RunRequest& request)
{
    std::string what = STEP_NAMES[report.step];
    if (report.step == STEP_HOST_NODE || report.step == STEP_NODE) {
        what += report.index < NODE_COUNT ? std::string(" /dev/") + HOST_NODES[report.index] : " /dev/pts";
    } else if (report.step == STEP_LINK && report.index >= 0) {
        what += " /dev/" + request.links[static_cast<std::size_t>(report.index)].name;
    } else if (report.step == STEP_EXEC) {
        what += " " + request.argv[0];
    }
    return what + ": " + std::strerror(report.error);
}

// A raw pseudo-terminal for the command's standard input: keys written ahead are read at once.
bool OpenTerminal(UniqueFd& master, UniqueFd& slave, std::string& error)
{
    master.Reset(open("/dev/ptmx", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    char name[128];
    if (!master.Valid() || grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0 ||
        ptsname_r(master.Get(), name, sizeof name) != 0) {
        error = std::string("input terminal: ") + std::strerror(errno);
        return false;
    }
    slave.Reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    if (!slave.Valid() || tcgetattr(slave.Get(), &settings) != 0) {
        error = std::string("input terminal: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&settings);
    tcsetattr(slave.Get(), TCSANOW, &settings);
    return true;
}

bool MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return true;
}

// Reads what is there; false at the end of the stream.
bool Drain(int fd, std::string* into)
{
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0 && into != nullptr) {
        into->append(buffer, static_cast<std::size_t>(got));
    }
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR));
}

// The parent's side of the run: feeds the input, gathers the output, reaps the child.
class Supervisor {
public:
    Supervisor(pid_t pid, const RunRequest& request, RunResult& result, UniqueFd input, UniqueFd out, UniqueFd err)
        : pid(pid), request(request), result(result), input(std::move(input)), out(std::move(out)), err(std::move(err))
    {
    }

    void Run()
    {
        const bool terminal = request.inputKind == Input::Terminal;
        if (!terminal && request.input.empty()) {
            input.Reset();
        }
        const Clock::time_point deadline = Clock::now() + request.timeout;
        Clock::time_point exitedAt;
        bool exited = false;
        for (;;) {
            // Left unreaped until the end, so that its id cannot pass to another process while
            // we may still signal its group.
            siginfo_t info{};
            if (!exited && waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid == pid) {
                exited = true;
                exitedAt = Clock::now();
            }
            if (exited && ((!out.Valid() && !err.Valid()) || Clock::now() - exitedAt > STRAGGLER_GIVE_UP)) {
                break;
            }
            if (exited && Clock::now() - exitedAt > STRAGGLER_GRACE) {
                Kill();
            }
            if (!exited && request.timeout.count() > 0 && !result.timedOut && Clock::now() >= deadline) {
                result.timedOut = true;
                Kill();
            }
            Poll(terminal);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signal = WTERMSIG(status);
        }
    }

private:
    void Kill() { kill(request.inputKind == Input::Inherit ? pid : -pid, SIGKILL); }

    void Poll(bool terminal)
    {
        pollfd fds[3];
        int count = 0;
        int outAt = Watch(fds, count, out, POLLIN);
        int errAt = Watch(fds, count, err, POLLIN);
        short inputEvents = (written < request.input.size() ? POLLOUT : 0) | (terminal ? POLLIN : 0);
        int inputAt = inputEvents != 0 ? Watch(fds, count, input, inputEvents) : -1;
        if (poll(fds, static_cast<nfds_t>(count), 10) <= 0) {
            return;
        }
        if (outAt >= 0 && fds[outAt].revents != 0 && !Drain(out.Get(), &result.out)) {
            out.Reset();
        }
        if (errAt >= 0 && fds[errAt].revents != 0 && !Drain(err.Get(), &result.err)) {
            err.Reset();
        }
        if (inputAt >= 0 && fds[inputAt].revents != 0) {
            Feed(fds[inputAt].revents, terminal);
        }
    }

    static int Watch(pollfd* fds, int& count, const UniqueFd& fd, short events)
    {
        if (!fd.Valid()) {
            return -1;
        }
        fds[count] = {fd.Get(), events, 0};
        return count++;
    }

    void Feed(short events, bool terminal)
    {
        // The terminal's output (the command's own writes to its standard input) is dropped.
        if (terminal && (events & POLLIN) != 0 && !Drain(input.Get(), nullptr)) {
            input.Reset();
            return;
        }
        if ((events & (POLLOUT | POLLERR | POLLHUP)) == 0 || written >= request.input.size()) {
            return;
        }
        ssize_t sent = terminal ? write(input.Get(), request.input.data() + written, request.input.size() - written)
                                : send(input.Get(), request.input.data() + written, request.input.size() - written,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
        } else if (errno != EAGAIN && errno != EINTR) {
            written = request.input.size(); // the command does not read it any more
        }
        if (written >= request.input.size() && !terminal) {
            input.Reset(); // end of input
        }
    }

    const pid_t pid;
    const RunRequest& request;
    RunResult& result;
    UniqueFd input; // socket or terminal master
    UniqueFd out;
    UniqueFd err;
    std::size_t written = 0;
};

} // namespace

RunResult RunInPrivateDev(const RunRequest& request)
{
    RunResult result;
    if (request.argv.empty()) {
        result.error = "no command";
        return result;
    }
    ChildPlan plan;
    for (const char* node : HOST_NODES) {
        plan.nodePaths.push_back(std::string("/dev/") + node);
    }
    for (const DevLink& link : request.links) {
        plan.linkPaths.push_back("/dev/" + link.name);
        plan.linkTargets.push_back(link.target);
    }
    for (const std::string& arg : request.argv) {
        plan.argv.push_back(arg.c_str());
    }
    plan.argv.push_back(nullptr);
    plan.newGroup = request.inputKind != Input::Inherit;

    // Our ends of the standard streams, and the child's.
    UniqueFd input, childInput, outRead, outWrite, errRead, errWrite, reportRead, reportWrite;
    if (request.inputKind == Input::Terminal) {
        if (!OpenTerminal(input, childInput, result.error)) {
            return result;
        }
    } else if (request.inputKind == Input::Text) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            result.error = std::string("input socket: ") + std::strerror(errno);
            return result;
        }
        input.Reset(pair[0]);
        childInput.Reset(pair[1]);
    }
    if ((request.capture && (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite))) ||
        !MakePipe(reportRead, reportWrite)) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    plan.stdio[0] = childInput.Get();
    plan.stdio[1] = outWrite.Get();
    plan.stdio[2] = errWrite.Get();
    plan.report = reportWrite.Get();

    pid_t pid = fork();
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        RunChild(plan);
    }
    if (plan.newGroup) {
        setpgid(pid, pid); // also here, so that a kill on time-out cannot miss the group
    }
    childInput.Reset();
    outWrite.Reset();
    errWrite.Reset();
    reportWrite.Reset();

    Report report{};
    ssize_t got;
    do {
        got = read(reportRead.Get(), &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof report)) {
        waitpid(pid, nullptr, 0);
        result.error = Describe(report, request);
        return result;
    }
    result.started = true;

    Supervisor(pid, request, result, std::move(input), std::move(outRead), std::move(errRead)).Run();
    return result;
}

int ShellStatus(const RunResult& result)
{
    if (!result.started) {
        return 125;
    }
    return result.signal != 0 ? 128 + result.signal : result.exitCode;
}

} // namespace simmodem
