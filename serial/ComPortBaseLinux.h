// One serial device on Linux: opened non-blocking and raw, written and read in short polling
// cycles, closed without dropping the modem's control lines. Moves bytes, never reads them.
#ifndef ZAVRIX_COMPORTBASELINUX_H
#define ZAVRIX_COMPORTBASELINUX_H

#include <string>

class CPacer;

// Write chunk size of the last successful configuration (speed / 10, at least 8).
extern int tty_write_sz;

class CComPortBaseLinux {
public:
    CComPortBaseLinux(std::string port, int baud);
    virtual ~CComPortBaseLinux();
    CComPortBaseLinux(const CComPortBaseLinux&) = delete;
    CComPortBaseLinux& operator=(const CComPortBaseLinux&) = delete;

    static int ResetAllComPort();

    bool Open();
    bool SetParam();
    bool Close();
    bool IsOpened() const;
    bool IsComError() const;
    std::string GetErrorMsg() const;
    void HandleError();

    bool Write(std::string command);
    bool Read(std::string& output);
    bool ReadAll(std::string& output);

private:
    enum class Wait { Failed, Interrupted, Ready };
    struct Readiness {
        bool readable = false;
        bool writable = false;
        bool exceptional = false;
    };

    // Read's cycles, paced by the caller's pacer.
    bool ReadPaced(std::string& output, CPacer& pacer);
    Wait WaitReady(bool wantWrite, long long& budgetUs, Readiness& ready) const;
    // Reads up to one block into output; false on end of file or a read error.
    bool ReadBlock(std::string& output, bool& gotData) const;
    long long TransferTimeUs(long long bytes) const;
    bool DrainOutput() const;

    int errorCode = 0;
    std::string errorMsg;
    std::string port;
    int baud;
    int fd = -1;
    std::string pendingInput;
    int writeChunk;
};

// True when the text holds a final answer or prompt of a modem; no caller in the tool uses it.
bool IsReadFinished(std::string text);

// ---------------------------------------------------------------------------------------------
// Serial-terminal code: a terminal loop joining the keyboard (descriptors 0 and 1) to the
// serial port m_nComFd, with an escape key, character mappings and local echo, plus the
// external-command runner, signal handling, prompts and help texts that go with it.
// Nothing in the tool enters it. Whatever starts the loop opens and configures the port,
// stores it in m_nComFd, puts standard input in raw mode through the term_ framework (which
// run_cmd expects) and installs the signal handlers first.
// ---------------------------------------------------------------------------------------------

#include <csignal>

// Character-mapping bits, for opts.imap (port to screen), omap (keyboard to port), emap (echo).
enum map_flags_e {
    M_CRLF = 0x01,    // CR becomes LF
    M_CRCRLF = 0x02,  // CR becomes CR LF
    M_IGNCR = 0x04,   // CR is dropped
    M_LFCR = 0x08,    // LF becomes CR
    M_LFCRLF = 0x10,  // LF becomes CR LF
    M_IGNLF = 0x20,   // LF is dropped
    M_DELBS = 0x40,   // DEL becomes BS
    M_BSDEL = 0x80,   // BS becomes DEL
};

struct map_name_t {
    const char* name;
    int flag;
};
// In bit order, ended by a row with a null name.
extern const map_name_t map_names[];

// Capacity of the loop's queue of typed bytes waiting for the port.
constexpr int TTY_Q_SZ = 256;

extern int m_nComFd;
// Set by deadly_handler; the loop runs while it is 0.
extern volatile sig_atomic_t sig_exit;

// Runs until sig_exit is set; any I/O failure ends the process through fatal.
void loop();
int do_command(unsigned char c);
// Maps c by the mapping set into b (room for 2); returns the count stored (0 to 2).
int do_map(char* b, int map, char c);
void map_and_write(int fd, int map, char c);
// A comma/blank separated list of mapping names (cut in place) as a mapping set, or -1.
int parse_map(char* s);
void print_map(int flags);

// Runs cmd with args_extra appended, the port as its standard input and output; returns the
// command's exit status or -1, and writes standard input's terminal settings back afterwards.
int run_cmd(int fd, const char* cmd, const char* args_extra);

void establish_signal_handlers();
void deadly_handler(int signum);
void establish_child_signal_handlers();
// Ends the process with status 1 after a second; the message is not shown.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prompts for a speed of the speed table until one is typed; -1 when input ends or on Ctrl-C.
int read_baud();
char* read_filename();
void show_status();
void show_keys();
void show_usage(const char* name);

// Cycling through line settings: each returns the value after the given one.
int baud_up(int baud);
int baud_down(int baud);
int flow_next(int flow);
int parity_next(int parity);
int bits_next(int bits);
int stopbits_next(int stopbits);

#endif
