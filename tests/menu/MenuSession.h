// Zavrix's interactive menu on a pseudo-terminal of ours, inside the private /dev of the
// simulated modems: the test reads what the tool draws, types keys and lines when the tool waits
// for them, and checks the terminal's mode afterwards.
#ifndef ZAVRIX_TESTS_MENUSESSION_H
#define ZAVRIX_TESTS_MENUSESSION_H

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "PrivateDev.h"

class MenuSession {
public:
    static constexpr std::chrono::milliseconds kPatience{30000};

    explicit MenuSession(const std::vector<simmodem::DevLink>& links)
    {
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            return;
        }
        fcntl(master, F_SETFL, O_NONBLOCK);
        tcgetattr(slave, &original);
        std::vector<std::string> args = {DEVNS_BIN};
        for (const simmodem::DevLink& link : links) {
            args.push_back("--link");
            args.push_back(link.name + "=" + link.target);
        }
        args.push_back("--");
        args.push_back(ZAVRIX_BIN);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(&arg[0]);
        }
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            // The terminal becomes the tool's controlling terminal, with the tool in its
            // foreground group, as in a login shell.
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            dup2(slave, 0);
            dup2(slave, 1);
            dup2(slave, 2);
            close(master);
            if (slave > 2) {
                close(slave);
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
    }

    ~MenuSession()
    {
        if (pid > 0 && !exited) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0) {
            close(master);
        }
        if (slave >= 0) {
            close(slave);
        }
    }

    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;

    bool Started() const { return pid > 0; }

    // Everything the tool wrote so far, with the terminal's "\r\n" line ends back as "\n".
    std::string Output()
    {
        Drain();
        std::string text;
        for (size_t i = 0; i < output.size(); ++i) {
            if (!(output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n')) {
                text += output[i];
            }
        }
        return text;
    }

    size_t Count(const std::string& text)
    {
        Drain();
        size_t count = 0;
        for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + text.size())) {
            ++count;
        }
        return count;
    }

    // Waits until `text` has been written `times` times in all.
    bool WaitForText(const std::string& text, size_t times = 1)
    {
        return WaitUntil([&] { return Count(text) >= times; });
    }

    // The tool's n-th menu line is out and it waits for a key in raw mode.
    bool WaitForMenu(size_t n)
    {
        return WaitForText(kMenuLine, n) && WaitUntil([&] { return IsRaw(); });
    }

    bool IsRaw() const
    {
        termios now{};
        return tcgetattr(slave, &now) == 0 && (now.c_lflag & ICANON) == 0;
    }

    void Type(const std::string& keys) { (void)!write(master, keys.data(), keys.size()); }

    // Sends `sig` to the tool itself, the child of the private-/dev runner; false when it has none.
    bool SignalTool(int sig) const
    {
        const std::string children = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children";
        std::ifstream list(children);
        pid_t tool = 0;
        return static_cast<bool>(list >> tool) && tool > 0 && kill(tool, sig) == 0;
    }

    // Waits for the tool to end; its exit status, or -1 when it did not end in time or by a signal.
    int WaitForExit()
    {
        int status = 0;
        const bool ended = WaitUntil([&] {
            Drain();
            return waitpid(pid, &status, WNOHANG) == pid;
        });
        if (!ended) {
            return -1;
        }
        exited = true;
        Drain();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The terminal has the settings it had before the tool started.
    bool ModeRestored() const
    {
        termios now{};
        return tcgetattr(slave, &now) == 0 && now.c_iflag == original.c_iflag && now.c_oflag == original.c_oflag &&
               now.c_cflag == original.c_cflag && now.c_lflag == original.c_lflag &&
               std::memcmp(now.c_cc, original.c_cc, sizeof now.c_cc) == 0;
    }

    static constexpr const char* kMenuLine = "回车键刷新 1发送短信 2接收短信 q退出";

private:
    template <typename Condition>
    bool WaitUntil(Condition done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            pollfd fd = {master, POLLIN, 0};
            poll(&fd, 1, 5);
        }
        return true;
    }

    void Drain()
    {
        char buffer[4096];
        ssize_t got;
        while ((got = read(master, buffer, sizeof buffer)) > 0) {
            output.append(buffer, static_cast<size_t>(got));
        }
    }

    int master = -1;
    int slave = -1;
    termios original{};
    pid_t pid = -1;
    bool exited = false;
    std::string output;
};

#endif
