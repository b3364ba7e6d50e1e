// A simulated modem on its pseudo-terminal: echo, line speeds, faults and the transcript, seen
// from the host's side of the line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "LineClient.h"
#include "Modem.h"

using simmodem::Fault;
using simmodem::Modem;
using simmodem::ModemConfig;
using simmodem::TranscriptEntry;
using simmodem::UniqueFd;
using Ms = std::chrono::milliseconds;

namespace {

std::unique_ptr<Modem> StartModem(const ModemConfig& config)
{
    std::string error;
    std::unique_ptr<Modem> modem = Modem::Start(config, error);
    EXPECT_TRUE(modem) << error;
    return modem;
}

ModemConfig Quiet(PHONE_TYPE_t type = PHONE_TYPE_KL48_FT_ON)
{
    ModemConfig config = ModemConfig::ForType(type);
    config.echo = false;
    return config;
}

// A quiet modem that hangs up after `bytes` of its answer to the command beginning with `on`.
std::unique_ptr<Modem> StartHangingUp(const char* on, std::size_t bytes)
{
    ModemConfig config = Quiet();
    config.faults = {Fault::HangUp(on, bytes)};
    return StartModem(config);
}

bool HasLetters(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(SimModem, EchoesCommandsUntilEchoIsSwitchedOff)
{
    std::unique_ptr<Modem> modem = StartModem(ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON));
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B115200);
    ASSERT_TRUE(line.Ok());
    EXPECT_EQ("AT\r\r\nOK\r\n", line.Exchange("AT\r\n"));
    EXPECT_EQ("ATE0\r\r\nOK\r\n", line.Exchange("ATE0\r\n"));
    EXPECT_EQ("\r\nOK\r\n", line.Exchange("AT\r\n"));
}

TEST(SimModem, TranscriptHoldsEveryUnitWithItsSpeed)
{
    std::unique_ptr<Modem> modem = StartModem(Quiet());
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B9600);
    for (char c : std::string("AT+CSQ\r\n")) {
        line.Write(std::string(1, c)); // byte by byte, as a slow host might
    }
    line.ReadUntil("OK\r\n");
    line.SetSpeed(B115200);
    line.Write("AT+CMGS=1\r");
    line.ReadUntil("> ");
    EXPECT_EQ("\r\n+CMGS: 1\r\n\r\nOK\r\n", line.Exchange("0000\x1A"));
    ASSERT_TRUE(modem->WaitFor([](const TranscriptEntry& entry) { return entry.body; }, Ms(3000)));

    std::vector<TranscriptEntry> transcript = modem->Transcript();
    ASSERT_EQ(3u, transcript.size());
    EXPECT_EQ("AT+CSQ\r\n", transcript[0].text) << "the line feed joins its command";
    EXPECT_EQ(9600, transcript[0].baud);
    EXPECT_TRUE(transcript[0].heard);
    EXPECT_EQ("AT+CMGS=1\r", transcript[1].text);
    EXPECT_EQ(115200, transcript[1].baud);
    EXPECT_EQ("0000\x1A", transcript[2].text);
    EXPECT_TRUE(transcript[2].body);
    EXPECT_EQ((std::vector<std::string>{"AT+CSQ\r\n", "AT+CMGS=1\r", "0000\x1A"}), modem->Heard());
}

TEST(SimModem, AnswersOnlyAtItsOwnSpeed)
{
    for (bool garbage : {false, true}) {
        ModemConfig config = Quiet();
        config.rates = {115200};
        config.garbageOnWrongRate = garbage;
        std::unique_ptr<Modem> modem = StartModem(config);
        ASSERT_TRUE(modem);
        LineClient line(modem->SlavePath(), B9600);
        line.Write("AT\r");
        ASSERT_TRUE(modem->WaitFor([](const TranscriptEntry& entry) { return entry.baud == 9600; }, Ms(3000)));
        line.SetSpeed(B115200);
        std::string got = line.Exchange("ATI\r");

        std::size_t answer = got.find("\r\nQuectel_Ltd");
        ASSERT_NE(std::string::npos, answer) << got;
        std::string before = got.substr(0, answer);
        EXPECT_EQ(garbage ? 3u : 0u, before.size()) << "as many bytes of noise as the command had";
        EXPECT_FALSE(HasLetters(before));
        std::vector<TranscriptEntry> transcript = modem->Transcript();
        ASSERT_EQ(2u, transcript.size());
        EXPECT_FALSE(transcript[0].heard);
        EXPECT_TRUE(transcript[1].heard);
    }
}

TEST(SimModem, FaultsChangeWhatIsSent)
{
    const std::string csq = "\r\n+CSQ: 23,99\r\n\r\nOK\r\n";
    const struct {
        const char* name;
        Fault fault;
        std::string expected; // the answer to "AT+CSQ"
    } cases[] = {
        {"silence", Fault::Silence("AT+CSQ"), ""},
        {"replace", Fault::Replace("at+csq", "\r\n+CSQ: 5,0\r\n\r\nOK\r\n"), "\r\n+CSQ: 5,0\r\n\r\nOK\r\n"},
        {"other command", Fault::Silence("AT+CSCA?"), csq},
        {"body only", Fault::Silence(">"), csq},
        {"spent", Fault::Silence("AT+CSQ", 0), csq},
    };
    for (const auto& c : cases) {
        ModemConfig config = Quiet();
        config.faults = {c.fault};
        std::unique_ptr<Modem> modem = StartModem(config);
        ASSERT_TRUE(modem);
        LineClient line(modem->SlavePath(), B115200);
        // The modem answers in order, so the serial number's answer closes whatever CSQ brought.
        const std::string serial = "\r\n" + config.serial + "\r\n\r\nOK\r\n";
        line.Write("AT+CSQ\r\nAT+CGSN\r\n");
        EXPECT_EQ(c.expected + serial, line.ReadUntil(serial)) << c.name;
    }

    ModemConfig config = Quiet();
    config.faults = {Fault::Garbage("", 40)};
    std::unique_ptr<Modem> modem = StartModem(config);
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B115200);
    line.Write("ATI\r\n");
    std::string noise = line.ReadBytes(40);
    EXPECT_EQ(40u, noise.size());
    EXPECT_FALSE(HasLetters(noise));
    EXPECT_EQ(std::string::npos, noise.find('>'));
}

TEST(SimModem, FaultsWithACountActOnThatManyUnits)
{
    ModemConfig config = Quiet();
    config.faults = {Fault::Replace("AT+CSQ", "\r\n+CSQ: 1,1\r\n\r\nOK\r\n", 2), Fault::BodyError(500, 1)};
    std::unique_ptr<Modem> modem = StartModem(config);
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B115200);
    EXPECT_EQ("\r\n+CSQ: 1,1\r\n\r\nOK\r\n", line.Exchange("AT+CSQ\r\n"));
    EXPECT_EQ("\r\n+CSQ: 1,1\r\n\r\nOK\r\n", line.Exchange("AT+CSQ\r\n"));
    EXPECT_EQ("\r\n+CSQ: 23,99\r\n\r\nOK\r\n", line.Exchange("AT+CSQ\r\n"));

    const std::string body = "0011000D91683118001380F00008AA0400410042\x1A";
    line.Write("AT+CMGS=19\r");
    EXPECT_EQ("\r\n> ", line.ReadUntil("> "));
    EXPECT_EQ("\r\n+CMS ERROR: 500\r\n", line.Exchange(body));
    line.Write("AT+CMGS=19\r");
    line.ReadUntil("> ");
    EXPECT_EQ("\r\n+CMGS: 2\r\n\r\nOK\r\n", line.Exchange(body));

    modem->AddFault(Fault::Replace("AT+CSQ", "\r\nlater\r\nOK\r\n", 1));
    EXPECT_EQ("\r\nlater\r\nOK\r\n", line.Exchange("AT+CSQ\r\n"));
}

// A host that gives up waiting moves the line on while the modem is still busy: what it wrote
// before is heard at the speed it was written at.
TEST(SimModem, BytesAreHeardAtTheSpeedTheyCameInAtWhileTheModemWasBusy)
{
    ModemConfig config = Quiet();
    config.rates = {9600};
    config.faults = {Fault::Delay("AT+CSQ", 600)};
    std::unique_ptr<Modem> modem = StartModem(config);
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B9600);
    line.Write("AT+CSQ\r");
    ASSERT_TRUE(modem->WaitForHeard("AT+CSQ", Ms(3000)));
    line.Write("AT\r");
    const auto deadline = std::chrono::steady_clock::now() + Ms(10000);
    while (modem->BytesTakenIn() < 10 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(Ms(1));
    }
    line.SetSpeed(B115200); // while the answer to AT+CSQ is still held back
    line.Write("AT+CGSN\r");

    EXPECT_EQ("\r\n+CSQ: 23,99\r\n\r\nOK\r\n\r\nOK\r\n", line.ReadUntil("OK\r\n\r\nOK\r\n"));
    ASSERT_TRUE(modem->WaitFor([](const TranscriptEntry& entry) { return entry.text == "AT+CGSN\r"; }, Ms(3000)));
    std::vector<TranscriptEntry> transcript = modem->Transcript();
    ASSERT_EQ(3u, transcript.size());
    EXPECT_EQ("AT\r", transcript[1].text);
    EXPECT_EQ(9600, transcript[1].baud);
    EXPECT_TRUE(transcript[1].heard);
    EXPECT_EQ(115200, transcript[2].baud);
    EXPECT_FALSE(transcript[2].heard);
}

TEST(SimModem, DelayedAndSplitAnswersTakeTheirTime)
{
    const std::string ati = simmodem::ReferenceAti(PHONE_TYPE_KL48_FT_ON, "");
    ModemConfig config = Quiet();
    config.faults = {Fault::Delay("AT+CSQ", 150), Fault::Split("ATI", 10, 40)};
    std::unique_ptr<Modem> modem = StartModem(config);
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B115200);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("\r\n+CSQ: 23,99\r\n\r\nOK\r\n", line.Exchange("AT+CSQ\r\n"));
    EXPECT_GE(SecondsSince(start), 0.150);

    start = std::chrono::steady_clock::now();
    EXPECT_EQ(ati, line.Exchange("ATI\r\n"));
    std::size_t pieces = (ati.size() + 9) / 10;
    EXPECT_GE(SecondsSince(start), 0.040 * static_cast<double>(pieces - 1));
}

TEST(SimModem, HangUpClosesTheLineMidAnswer)
{
    std::unique_ptr<Modem> modem = StartHangingUp("ATI", 12);
    ASSERT_TRUE(modem);
    LineClient line(modem->SlavePath(), B115200);
    EXPECT_EQ("\r\nOK\r\n", line.Exchange("AT\r\n"));
    line.Write("ATI\r\n");
    std::string got = line.ReadFor(Ms(3000));
    EXPECT_EQ(simmodem::ReferenceAti(PHONE_TYPE_KL48_FT_ON, "").substr(0, 12), got);
    EXPECT_TRUE(line.Ended());
    EXPECT_TRUE(modem->HungUp());
}

// A host that reopens the path of a line that hung up must not reach another program's
// pseudo-terminal: the number stays taken while the modem lives.
TEST(SimModem, HungUpLineKeepsItsNumberFromNewPseudoTerminals)
{
    std::unique_ptr<Modem> modem = StartHangingUp("AT", 0);
    ASSERT_TRUE(modem);
    {
        LineClient line(modem->SlavePath(), B115200);
        line.Write("AT\r\n");
        line.ReadFor(Ms(3000));
        ASSERT_TRUE(modem->HungUp());
    }
    EXPECT_NE(0, access(modem->SlavePath().c_str(), F_OK));
    std::vector<UniqueFd> others;
    for (int i = 0; i < 8; ++i) {
        others.emplace_back(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(others.back().Valid());
        EXPECT_NE(modem->SlavePath(), ptsname(others.back().Get()));
    }
}

// Many modems served at once, each talked to by its own thread while the main thread reads the
// transcripts.
TEST(SimModemThreaded, ModemsServeTheirLinesConcurrently)
{
    const int modems = 6;
    const int exchanges = 15;
    std::vector<std::unique_ptr<Modem>> fleet;
    for (int i = 0; i < modems; ++i) {
        ModemConfig config = Quiet(i % 2 == 0 ? PHONE_TYPE_K7040_ME : PHONE_TYPE_KC640_ON);
        config.rssi = i;
        fleet.push_back(StartModem(config));
        ASSERT_TRUE(fleet.back());
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> hosts;
    for (int i = 0; i < modems; ++i) {
        hosts.emplace_back([&, i] {
            LineClient line(fleet[static_cast<std::size_t>(i)]->SlavePath(), B115200);
            for (int n = 0; n < exchanges; ++n) {
                if (line.Exchange("at+csq\r\n") != "\r\n+CSQ: " + std::to_string(i) + ",99\r\n\r\nOK\r\n") {
                    ++wrong;
                }
            }
        });
    }
    // Meanwhile faults are added and transcripts read, as a test does while a run goes on.
    for (int round = 0; round < 50; ++round) {
        fleet[static_cast<std::size_t>(round % modems)]->AddFault(Fault::Delay("AT+CGSN", 1));
        for (const auto& modem : fleet) {
            modem->WaitForHeard("AT+CGSN", Ms(0));
            (void)modem->Transcript();
        }
    }
    for (std::thread& host : hosts) {
        host.join();
    }
    EXPECT_EQ(0, wrong.load());
    for (const auto& modem : fleet) {
        EXPECT_EQ(static_cast<std::size_t>(exchanges), modem->Heard().size());
    }
}
