#include "Modem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace simmodem {

namespace {

// A host that reads nothing for this long has lost the rest of the answer, as on a real line.
const int WRITE_STALL_MS = 2000;
const std::chrono::milliseconds HANG_UP_SETTLE{50};
const std::chrono::milliseconds HANG_UP_WAIT{2000};

bool PrefixMatches(const std::string& prefix, const std::string& text)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(prefix[i])) != std::toupper(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

bool FaultMatches(const Fault& fault, const Received& unit)
{
    if (fault.on.empty()) {
        return true;
    }
    if (fault.on == ">") {
        return unit.body;
    }
    return !unit.body && PrefixMatches(fault.on, unit.text);
}

int SpeedToRate(speed_t speed)
{
    static const struct {
        speed_t speed;
        int rate;
    } table[] = {{B300, 300},       {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    for (const auto& entry : table) {
        if (entry.speed == speed) {
            return entry.rate;
        }
    }
    return 0;
}

std::string SystemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

// A real modem answers on its own clock, whatever the host's load. Served at a real-time priority
// where the system allows it, the simulated one keeps answering within the tool's shortest
// exchanges (5 reads, about 38 ms) while a loaded test run competes for the processors. The
// thread blocks in poll between answers, so it never holds a processor for long.
void ServeAtRealTimePriority()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

std::unique_ptr<Modem> Modem::Start(const ModemConfig& config, std::string& error)
{
    std::unique_ptr<Modem> modem(new Modem(config));
    if (!modem->Open(error)) {
        return nullptr;
    }
    modem->thread = std::thread(&Modem::Serve, modem.get());
    return modem;
}

Modem::Modem(const ModemConfig& config) : config(config), dialogue(config), faults(config.faults) {}

Modem::~Modem()
{
    if (wakeWrite.Valid()) {
        char stop = 0;
        (void)!write(wakeWrite.Get(), &stop, 1);
    }
    if (thread.joinable()) {
        thread.join();
    }
}

bool Modem::Open(std::string& error)
{
    master.Reset(open("/dev/ptmx", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master.Valid()) {
        error = SystemError("open /dev/ptmx");
        return false;
    }
    char name[128];
    if (grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0 || ptsname_r(master.Get(), name, sizeof name) != 0) {
        error = SystemError("pseudo-terminal slave");
        return false;
    }
    slavePath = name;
    slave.Reset(open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!slave.Valid()) {
        error = SystemError(("open " + slavePath).c_str());
        return false;
    }
    // Raw from the start: a cooked line would echo the modem's answers back to it.
    termios settings{};
    if (tcgetattr(slave.Get(), &settings) != 0) {
        error = SystemError("tcgetattr");
        return false;
    }
    cfmakeraw(&settings);
    if (tcsetattr(slave.Get(), TCSANOW, &settings) != 0) {
        error = SystemError("tcsetattr");
        return false;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) {
        error = SystemError("pipe");
        return false;
    }
    wakeRead.Reset(wake[0]);
    wakeWrite.Reset(wake[1]);
    return true;
}

std::vector<TranscriptEntry> Modem::Transcript() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return transcript;
}

std::vector<std::string> Modem::Heard() const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> texts;
    for (const TranscriptEntry& entry : transcript) {
        if (entry.heard) {
            texts.push_back(entry.text);
        }
    }
    return texts;
}

bool Modem::WaitFor(const std::function<bool(const TranscriptEntry&)>& match, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return std::any_of(transcript.begin(), transcript.end(), match); });
}

bool Modem::WaitForHeard(const std::string& prefix, std::chrono::milliseconds timeout) const
{
    return WaitFor([&prefix](const TranscriptEntry& entry) { return entry.heard && PrefixMatches(prefix, entry.text); },
                   timeout);
}

bool Modem::WaitIdle(std::chrono::steady_clock::time_point since, std::chrono::milliseconds quiet,
                     std::chrono::milliseconds timeout) const
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        Clock::time_point now = Clock::now();
        // Bytes written just before `since` may still be on their way to the modem.
        Clock::time_point last = std::max(since, Clock::time_point(Clock::duration(lastActivity.load())));
        if (!busy && now - last >= quiet) {
            return true;
        }
        if (now - start >= timeout) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Modem::AddFault(const Fault& fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.push_back(fault);
}

void Modem::Serve()
{
    ServeAtRealTimePriority();
    while (!hungUp) {
        pollfd fds[2] = {{master.Get(), POLLIN, 0}, {wakeRead.Get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            busy = true;
            bool open = TakeIn();
            HandleArrivals();
            lastActivity = std::chrono::steady_clock::now().time_since_epoch().count();
            busy = false;
            if (open) {
                continue;
            }
        }
        // Only a line nobody holds open reports this; we hold the slave, so wait it out.
        if (!Pause(10, false)) {
            return;
        }
    }
}

// A real modem hears each byte at the speed the line has as the byte comes in, even while it is
// busy sending an answer; the host may set another speed before the modem gets to the command.
// False when the line reports an end or an error instead of data.
bool Modem::TakeIn()
{
    char buffer[4096];
    ssize_t got = read(master.Get(), buffer, sizeof buffer);
    if (got > 0) {
        arrivals.push_back({std::string(buffer, static_cast<std::size_t>(got)), LineRate()});
        bytesTakenIn += static_cast<std::size_t>(got);
        return true;
    }
    return got < 0 && (errno == EAGAIN || errno == EINTR);
}

void Modem::HandleArrivals()
{
    while (!arrivals.empty() && !hungUp) {
        const Arrival arrival = std::move(arrivals.front());
        arrivals.pop_front();
        for (std::size_t i = 0; i < arrival.bytes.size() && !hungUp; ++i) {
            Take(arrival.bytes[i], arrival.rate);
        }
    }
}

void Modem::Take(char c, int rate)
{
    Received unit;
    switch (dialogue.Push(c, unit)) {
    case AtDialogue::Step::Pending:
        break;
    case AtDialogue::Step::Trailer:
        AppendToLast(c, rate);
        break;
    case AtDialogue::Step::Unit:
        Answer(unit, rate);
        break;
    }
}

void Modem::Answer(const Received& unit, int rate)
{
    bool heard = Hears(rate);
    Record({unit.text, rate, heard, unit.body});
    if (!heard) {
        if (config.garbageOnWrongRate) {
            WriteAll(Garbage(unit.text.size()));
        }
        return;
    }
    // The command is echoed as it was before it took effect, so "ATE0" still is.
    std::string answer = !unit.body && dialogue.Echo() ? unit.text : std::string();
    answer += dialogue.Respond(unit);
    Deliver(answer, TakeFaults(unit));
}

void Modem::Record(TranscriptEntry entry)
{
    std::lock_guard<std::mutex> lock(mutex);
    transcript.push_back(std::move(entry));
    changed.notify_all();
}

void Modem::AppendToLast(char c, int rate)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (transcript.empty()) {
        transcript.push_back({std::string(1, c), rate, Hears(rate), false});
    } else {
        transcript.back().text += c;
    }
    changed.notify_all();
}

Modem::Delivery Modem::TakeFaults(const Received& unit)
{
    std::lock_guard<std::mutex> lock(mutex);
    Delivery delivery;
    for (Fault& fault : faults) {
        if (fault.times == 0 || !FaultMatches(fault, unit)) {
            continue;
        }
        if (fault.times > 0) {
            --fault.times;
        }
        switch (fault.kind) {
        case FaultKind::Silence:
            delivery.silent = true;
            delivery.replaced = false;
            break;
        case FaultKind::Garbage:
        case FaultKind::Replace:
            delivery.silent = false;
            delivery.replaced = true;
            delivery.replacement = fault.kind == FaultKind::Garbage ? Garbage(fault.bytes) : fault.text;
            break;
        case FaultKind::Delay:
            delivery.delayMs = fault.pauseMs;
            break;
        case FaultKind::Split:
            delivery.pieceBytes = fault.bytes;
            delivery.pieceMs = fault.pauseMs;
            break;
        case FaultKind::HangUp:
            delivery.hangUp = true;
            delivery.hangUpAfter = fault.bytes;
            break;
        }
    }
    return delivery;
}

void Modem::Deliver(const std::string& answer, const Delivery& delivery)
{
    const std::string out = delivery.silent ? std::string() : delivery.replaced ? delivery.replacement : answer;
    if (delivery.delayMs > 0 && !Pause(delivery.delayMs)) {
        return;
    }
    if (delivery.hangUp) {
        WriteAll(out.substr(0, std::min(delivery.hangUpAfter, out.size())));
        HangUpLine();
        return;
    }
    if (delivery.pieceBytes == 0) {
        WriteAll(out);
        return;
    }
    for (std::size_t at = 0; at < out.size(); at += delivery.pieceBytes) {
        if ((at > 0 && !Pause(delivery.pieceMs)) || !WriteAll(out.substr(at, delivery.pieceBytes))) {
            return;
        }
    }
}

bool Modem::WriteAll(const std::string& data)
{
    std::size_t done = 0;
    bool takeIn = true;
    while (done < data.size()) {
        ssize_t written = write(master.Get(), data.data() + done, data.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return false;
        }
        const short events = takeIn ? POLLOUT | POLLIN : POLLOUT;
        pollfd fds[2] = {{master.Get(), events, 0}, {wakeRead.Get(), POLLIN, 0}};
        int ready = poll(fds, 2, WRITE_STALL_MS);
        if (ready > 0 && fds[1].revents != 0) {
            return false;
        }
        if (ready == 0) {
            return true;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            takeIn = TakeIn();
        }
    }
    return true;
}

// With `takeIn`, what the host writes meanwhile is taken in as it comes.
bool Modem::Pause(int ms, bool takeIn)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fds[2] = {{wakeRead.Get(), POLLIN, 0}, {master.Get(), POLLIN, 0}};
        int ready = poll(fds, takeIn ? 2 : 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready == 0) {
            return true;
        }
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || fds[0].revents != 0) {
            return false;
        }
        takeIn = TakeIn(); // a line that reports an error is not watched again
    }
}

int Modem::LineRate() const
{
    termios settings{};
    if (!slave.Valid() || tcgetattr(slave.Get(), &settings) != 0) {
        return 0;
    }
    return SpeedToRate(cfgetospeed(&settings));
}

bool Modem::Hears(int rate) const
{
    return config.rates.empty() || std::find(config.rates.begin(), config.rates.end(), rate) != config.rates.end();
}

// Line noise that never spells an answer word: letters, digits and the marks AT answers begin
// with get their top bit set.
std::string Modem::Garbage(std::size_t bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes; ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        unsigned char b = static_cast<unsigned char>(noise);
        if (b < 0x80 && (std::isalnum(b) || b == '>' || b == '+' || b == '^' || b == ':')) {
            b |= 0x80;
        }
        out += static_cast<char>(b);
    }
    return out;
}

void Modem::HangUpLine()
{
    // A hang-up throws away what the host has not read yet; let it read what was sent, within
    // a bound for a host that reads nothing. The pty passes written bytes on a little later, so
    // an empty queue counts only after a short while.
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        int queued = 0;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (ioctl(slave.Get(), FIONREAD, &queued) != 0 || (queued == 0 && elapsed >= HANG_UP_SETTLE) ||
            elapsed >= HANG_UP_WAIT || !Pause(5, false)) {
            break;
        }
    }
    hungUp = true; // before the close, so that a host seeing the line end sees the flag too
    // Closing the master removes /dev/pts/N. The slave stays held until the modem is gone: the
    // kernel frees the number only when both sides are closed, and a freed number goes to the
    // next pseudo-terminal opened anywhere on the machine, where a host reopening the path would
    // talk to another test's modem.
    master.Reset();
}

} // namespace simmodem
