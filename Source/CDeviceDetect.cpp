// Device detection: the candidate ports, one probe thread per port, the identification of the
// modem on each and the mode-configuration steps of the type-2 modem.
#include "CDeviceDetect.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <vector>

#include "CCheckManager.h"
#include "ComPortBase.h"
#include "CreatePhone.h"
#include "StringUtil.h"
#include "term.h"

int DeviceBaseComInfo::regetRssi()
{
    sscanf(signal, "%d,%d", &rssi, &ber);
    return rssi;
}

namespace {

using Phones = std::vector<std::unique_ptr<CPhoneCardBase>>;

constexpr int PROBE_RATES[] = {9600, 115200};
constexpr int MODE_READS = 5;

// The line-settings framework has room for TERM_SLOT_COUNT open ports; a probe beyond that
// would talk over an unconfigured line, so it waits until another probe closes its port.
class PortSlots {
public:
    void Take()
    {
        std::unique_lock<std::mutex> lock(mutex);
        freed.wait(lock, [this] { return free > 0; });
        free--;
    }
    void Give()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            free++;
        }
        freed.notify_one();
    }

private:
    std::mutex mutex;
    std::condition_variable freed;
    int free = TERM_SLOT_COUNT;
};

PortSlots portSlots;

class PortSlot {
public:
    PortSlot() { portSlots.Take(); }
    ~PortSlot() { portSlots.Give(); }
    PortSlot(const PortSlot&) = delete;
    PortSlot& operator=(const PortSlot&) = delete;
};

struct PipeCloser {
    void operator()(FILE* pipe) const { pclose(pipe); }
};

// Cut to the array's room; the text ends at its first zero byte anyway.
template <size_t N>
void CopyText(char (&field)[N], const std::string& text)
{
    size_t length = std::min(text.size(), N - 1);
    memcpy(field, text.data(), length);
    field[length] = '\0';
}

// The driver that claims an identification answer: the first in priority order.
CPhoneCardBase* MatchingPhone(const Phones& phones, const std::string& ati)
{
    for (const auto& phone : phones) {
        if (phone->IsATI_RspMatch(ati)) {
            return phone.get();
        }
    }
    return nullptr;
}

int TypeOfAti(const Phones& phones, const std::string& ati)
{
    CPhoneCardBase* phone = MatchingPhone(phones, ati);
    return phone != nullptr ? phone->GetPhoneType() : PHONE_TYPE_UN_KNOWN;
}

bool FitsAtiField(const std::string& text)
{
    return text.size() < sizeof(DeviceBaseComInfo::ati) && text.find('\0') == std::string::npos;
}

// The stored answer is tested again later to find the device type, so a long answer is not just
// cut: pieces the type test does not need are dropped, larger pieces first, as long as the rest
// still names the same type.
std::string FitAti(std::string text, int type, const Phones& phones)
{
    for (size_t piece = text.size() / 2; piece > 0 && !FitsAtiField(text); piece /= 2) {
        for (size_t at = 0; at < text.size() && !FitsAtiField(text);) {
            std::string shorter = text.substr(0, at) + text.substr(std::min(text.size(), at + piece));
            if (TypeOfAti(phones, shorter) == type) {
                text = std::move(shorter);
            } else {
                at += piece;
            }
        }
    }
    return text;
}

void PrintExtend(const DeviceBaseComInfo& info, const std::string& text)
{
    if (g_bShowExtend) {
        // One write per line, so that lines of different probes do not mix.
        std::cout << (std::string(info.port) + text + "\n") << std::flush;
    }
}

// The answer to a mode query: read until the value line or a final OK/ERROR has come, within
// the bound of the other quick exchanges. False when no read succeeded.
bool ReadModeAnswer(CComPortBase* com, const char* key, std::string& answer)
{
    bool read = false;
    CPacer pacer;
    for (int i = 0; i < MODE_READS; i++) {
        if (com->ReadAll(answer)) {
            read = true;
            if (!CCheckManager::getRightString(answer.c_str(), key).empty()) {
                return true;
            }
            for (const std::string& line : SplitStringToArray(answer)) {
                if (line.find("OK") != std::string::npos || line.find("ERROR") != std::string::npos) {
                    return true;
                }
            }
        }
        pacer.Pause(LINUX_SLEEP);
    }
    return read;
}

void ReadIdentity(CComPortBase& com, CPhoneCardBase& phone, DeviceBaseComInfo& info)
{
    CCheckManager::RunComCmdInitPhone(&phone, &com);
    CCheckManager::RunComCmdGetSerialNumber(&phone, &com);
    if (CCheckManager::RunComCmdGetSmsCardNumber(&phone, &com)) {
        CCheckManager::RunComCmdGetSignalStrength(&phone, &com);
    }
    CopyText(info.number, phone.GetSmsCardNumber());
    CopyText(info.serial, phone.GetSerialNumber());
    CopyText(info.signal, phone.GetSignalStrength());
}

// One attempt at one rate; true when a driver claimed the modem.
bool ProbeAtRate(const std::string& path, int baud, const Phones& phones, DeviceBaseComInfo& info)
{
    PortSlot slot;
    CComPortBase com(path, baud);
    if (!com.Open()) {
        return false;
    }
    com.Write("ATE0\r\n");
    std::string echoOff;
    com.ReadAll(echoOff);

    CPhoneCardBase* probing = phones.front().get();
    CPhoneCardBase* match = nullptr;
    if (CCheckManager::RunComCmdAT(probing, &com)) {
        CCheckManager::RunComCmdATI(probing, &com);
        std::string answer = probing->GetAtiRspString();
        match = MatchingPhone(phones, answer);
        if (match != nullptr) {
            info.baud = baud;
            info.type = match->GetPhoneType();
            CopyText(info.ati, FitAti(answer, info.type, phones));
            info.atFound = true;
            info.probed = true;
            ReadIdentity(com, *match, info);
            if (strlen(info.number) >= 4) {
                CCheckManager::RunCommCmdGetModeConfig(&com, info);
                CCheckManager::RunCommCmdGetCOPS(&com, info);
                CCheckManager::RunCommCmdResetModeConfig(&com, info);
            }
        }
    }
    com.Close();
    return match != nullptr;
}

// A probe thread, joined at the latest when it goes out of scope.
class ProbeThread {
public:
    explicit ProbeThread(const std::string& path)
        : started(pthread_create(&id, nullptr, ThreadFunc, const_cast<char*>(path.c_str())) == 0)
    {
    }
    ~ProbeThread() { Join(); }
    ProbeThread(const ProbeThread&) = delete;
    ProbeThread& operator=(const ProbeThread&) = delete;

    bool Started() const { return started; }
    void Join()
    {
        if (started) {
            pthread_join(id, nullptr);
            started = false;
        }
    }

private:
    pthread_t id{};
    bool started;
};

} // namespace

std::string cmd_system(const char* command)
{
    std::string output;
    std::unique_ptr<FILE, PipeCloser> pipe(popen(command, "r"));
    if (!pipe) {
        return output;
    }
    char buffer[1024] = {0};
    while (fgets(buffer, 1023, pipe.get()) != nullptr) {
        output += buffer;
    }
    return output;
}

void GetInfoOnPort(const std::string& path)
{
    Phones phones = CreateAllPhonesInPriorityOrder();
    DeviceBaseComInfo info;
    CopyText(info.port, path);

    bool matched = false;
    for (int baud : PROBE_RATES) {
        matched = ProbeAtRate(path, baud, phones, info);
        if (matched) {
            break;
        }
    }
    if (!matched) {
        info.baud = 115200;
        info.atFound = false;
        info.probed = true;
    }

    pthread_mutex_lock(&vecLock);
    CCheckManager::g_comVec.push_back(info);
    pthread_mutex_unlock(&vecLock);
}

void* ThreadFunc(void* path)
{
    GetInfoOnPort(static_cast<const char*>(path));
    return nullptr;
}

bool LessDeviceBaseComInfo(const DeviceBaseComInfo& a, const DeviceBaseComInfo& b)
{
    return strcmp(a.port, b.port) < 0;
}

std::vector<std::string> CCheckManager::GetAllComPort()
{
    std::vector<std::string> ports;
    for (const std::string& piece : SplitStringByChar(cmd_system("ls /dev/ttyUSB* 2> /dev/null"), '\n')) {
        if (piece.find("dev") != std::string::npos) {
            ports.push_back(piece);
        }
    }
    ports.push_back("/dev/ttyS0");
    ports.push_back("/dev/ttyS1");
    return ports;
}

std::vector<DeviceBaseComInfo> CCheckManager::DetectAllDevice()
{
    pthread_mutex_lock(&vecLock);
    g_comVec.clear();
    pthread_mutex_unlock(&vecLock);

    // The threads read their paths from here until they are joined.
    const std::vector<std::string> paths = GetAllComPort();
    {
        std::vector<std::unique_ptr<ProbeThread>> threads;
        for (const std::string& path : paths) {
            threads.push_back(std::make_unique<ProbeThread>(path));
        }
        // A port whose thread could not start is probed here rather than left out.
        for (size_t i = 0; i < paths.size(); i++) {
            if (!threads[i]->Started()) {
                GetInfoOnPort(paths[i]);
            }
        }
        for (auto& thread : threads) {
            thread->Join();
        }
    }

    pthread_mutex_lock(&vecLock);
    std::sort(g_comVec.begin(), g_comVec.end(), LessDeviceBaseComInfo);
    std::vector<DeviceBaseComInfo> records = g_comVec;
    pthread_mutex_unlock(&vecLock);
    return records;
}

void CCheckManager::RunCommCmdGetModeConfig(CComPortBase* com, DeviceBaseComInfo& info)
{
    if (info.type != PHONE_TYPE_K7040_NC5 || com == nullptr || !com->Open()) {
        return;
    }
    com->Write("AT^MODECONFIG?\r");
    std::string answer;
    if (!ReadModeAnswer(com, "^MODECONFIG", answer)) {
        return;
    }
    std::string value = getRightString(answer.c_str(), "^MODECONFIG");
    info.modeconfig = value.empty() ? 0 : atoi(value.c_str());
    PrintExtend(info, " > GET MODECONFIG = " + std::to_string(info.modeconfig));
}

void CCheckManager::RunCommCmdGetCOPS(CComPortBase* com, DeviceBaseComInfo& info)
{
    if (com == nullptr || !com->Open()) {
        return;
    }
    com->Write("AT+COPS?\r");
    std::string answer;
    if (!ReadModeAnswer(com, "+COPS", answer)) {
        return;
    }
    info.cops = getRightString(answer.c_str(), "+COPS");
    PrintExtend(info, " > GET COPS = " + info.cops);
}

void CCheckManager::RunCommCmdResetModeConfig(CComPortBase* com, DeviceBaseComInfo& info)
{
    if (info.type != PHONE_TYPE_K7040_NC5 || strlen(info.number) <= 4 || com == nullptr || !com->Open()) {
        return;
    }
    int rssi = info.regetRssi();
    const char* mode = nullptr;
    if (info.modeconfig == 22) {
        if (rssi > 98) {
            mode = "2";
        }
    } else if (info.modeconfig == 2) {
        bool telecom = info.cops.find("CT\"") != std::string::npos || info.cops.find("TELECOM\"") != std::string::npos;
        if (rssi >= 0 && rssi <= 98 && telecom) {
            mode = "22";
        }
    } else {
        mode = "2";
    }
    if (mode == nullptr) {
        return;
    }
    // The answer is left for the next read of the port.
    com->Write(std::string("AT^MODECONFIG=") + mode + "\r");
    PrintExtend(info, std::string(" > SET MODECONFIG=") + mode);
}

std::string CCheckManager::getRightString(const char* text, const char* key)
{
    if (text == nullptr || key == nullptr) {
        return std::string();
    }
    const std::string whole(text);
    const std::string name(key);
    if (name.empty() || whole.empty() || name.size() >= whole.size()) {
        return std::string();
    }
    size_t keyAt = whole.find(name);
    if (keyAt == std::string::npos) {
        return std::string();
    }
    size_t colon = whole.find(':', keyAt + 1);
    if (colon == std::string::npos) {
        return std::string();
    }
    size_t end = whole.find('\r', colon);
    if (end == std::string::npos) {
        end = whole.find('\n', colon);
    }
    if (end == std::string::npos) {
        return std::string();
    }
    const char* blanks = " \n\r\t";
    std::string value = whole.substr(colon + 1, end - colon - 1);
    size_t first = value.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return value.substr(first, value.find_last_not_of(blanks) - first + 1);
}
