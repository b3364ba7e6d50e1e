// The private /dev runner, the SimFleet fixture built on it, and the two programs.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "SimFleet.h"

using simmodem::RunResult;
using simmodem::RunRequest;
using Ms = std::chrono::milliseconds;

namespace {

std::set<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::set<std::string> words;
    for (std::string word; in >> word;) {
        words.insert(word);
    }
    return words;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

RunResult RunPlain(std::vector<std::string> argv, const std::string& input = "", Ms timeout = Ms(20000))
{
    RunRequest request;
    request.argv = std::move(argv);
    request.input = input;
    request.timeout = timeout;
    return simmodem::RunInPrivateDev(request);
}

// A scratch directory, removed with what it holds.
struct ScratchDir {
    std::string path;
    ScratchDir()
    {
        char name[] = "/tmp/simmodem-test-XXXXXX";
        path = mkdtemp(name) != nullptr ? name : "";
    }
    ~ScratchDir()
    {
        if (!path.empty()) {
            RunPlain({"rm", "-rf", path});
        }
    }
};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

TEST(SimPrivateDev, HoldsOnlyTheIntendedEntriesAndNeverTouchesTheRealDev)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(0, PHONE_TYPE_KL48_FT_ON));
    ASSERT_TRUE(fleet.Add(10, PHONE_TYPE_KC640_ON));
    ASSERT_TRUE(fleet.Add(2, PHONE_TYPE_K7040_NC5));
    const bool hostHad = Exists("/dev/ttyUSB0");

    RunResult listing = fleet.Run({"ls", "-A", "/dev"});
    EXPECT_EQ(0, listing.exitCode) << listing.err;
    EXPECT_EQ((std::set<std::string>{"fd", "null", "ptmx", "pts", "random", "stderr", "stdin", "stdout", "tty",
                                     "ttyUSB0", "ttyUSB10", "ttyUSB2", "urandom", "zero"}),
              Words(listing.out));

    // The tool's own listing command, in byte order of the names.
    RunResult usb = fleet.Run({"sh", "-c", "ls /dev/ttyUSB* 2> /dev/null; readlink /dev/ttyUSB10"});
    EXPECT_EQ("/dev/ttyUSB0\n/dev/ttyUSB10\n/dev/ttyUSB2\n" + fleet[10].SlavePath() + "\n", usb.out);

    EXPECT_EQ(hostHad, Exists("/dev/ttyUSB0"));
    EXPECT_FALSE(Exists("/dev/ttyUSB10") && !hostHad) << "a link leaked into the machine's /dev";
}

TEST(SimPrivateDev, CommandInsideTalksToTheModems)
{
    SimFleet fleet;
    ASSERT_TRUE(fleet.Add(3, PHONE_TYPE_KG520_ON));
    RunResult talk = fleet.Run({"sh", "-c", "exec 3<>/dev/ttyUSB3; printf 'AT+CSQ\\r\\n' >&3; head -c 28 <&3"});
    EXPECT_EQ("AT+CSQ\r\r\n+CSQ: 23,99\r\n\r\nOK\r\n", talk.out) << talk.err;
    EXPECT_TRUE(fleet[3].WaitForHeard("AT+CSQ\r\n", Ms(3000)));
}

TEST(SimPrivateDev, CapturesOutputStatusAndInput)
{
    RunResult run = RunPlain({"sh", "-c", "cat; echo err >&2; exit 3"}, "typed\n");
    EXPECT_TRUE(run.started);
    EXPECT_EQ("typed\n", run.out);
    EXPECT_EQ("err\n", run.err);
    EXPECT_EQ(3, run.exitCode);
    EXPECT_EQ(3, simmodem::ShellStatus(run));

    RunRequest keys;
    keys.argv = {"sh", "-c", "test -t 0 && head -c 2"};
    keys.inputKind = simmodem::Input::Terminal;
    keys.input = "q\r";
    keys.timeout = Ms(20000);
    RunResult terminal = simmodem::RunInPrivateDev(keys);
    EXPECT_EQ("q\r", terminal.out) << "keys typed ahead on a raw terminal";
    EXPECT_EQ(0, terminal.exitCode);
}

TEST(SimPrivateDev, TimeOutKillsTheCommandsGroup)
{
    RunResult run = RunPlain({"sh", "-c", "sleep 30 & sleep 30; echo never"}, "", Ms(200));
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(SIGKILL, run.signal);
    EXPECT_EQ(128 + SIGKILL, simmodem::ShellStatus(run));
    EXPECT_EQ("", run.out);
}

TEST(SimPrivateDev, ReportsACommandThatCannotStart)
{
    RunResult run = RunPlain({"/nonexistent/zavrix-test"});
    EXPECT_FALSE(run.started);
    EXPECT_NE(std::string::npos, run.error.find("run the command /nonexistent/zavrix-test")) << run.error;
    EXPECT_EQ(125, simmodem::ShellStatus(run));
}

TEST(SimPrivateDev, FixtureRunsTheZavrixBinary)
{
    SimFleet fleet;
    RunResult run = fleet.RunZavrix({"version"});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_FALSE(run.out.empty());
}

TEST(SimPrivateDev, DevnsProgramMakesTheNamedLinks)
{
    RunResult run = RunPlain({DEVNS_BIN, "--link", "ttyUSB5=/dev/null", "--", "sh", "-c", "readlink /dev/ttyUSB5; exit 4"});
    EXPECT_EQ("/dev/null\n", run.out) << run.err;
    EXPECT_EQ(4, run.exitCode);
    EXPECT_EQ(2, RunPlain({DEVNS_BIN, "--link", "nothing", "--", "true"}).exitCode);
}

TEST(SimPrivateDev, SimmodemProgramServesAFleetFileAndWritesTranscripts)
{
    ScratchDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string fleetFile = dir.path + "/fleet.json";
    std::ofstream(fleetFile) << R"({"modems": [
        {"usb": 1, "type": 4, "iccid": "89860000000000000001"},
        {"usb": 0, "type": 2, "rates": [115200], "faults": [{"kind": "silence", "on": "AT+CSQ"}]}]})";

    RunResult run = RunPlain({SIMMODEM_BIN, "--transcripts", dir.path, fleetFile, "--", "sh", "-c",
                         "ls /dev/ttyUSB*; exec 3<>/dev/ttyUSB1; printf 'AT^ICCID?\\r' >&3; head -c 48 <&3; "
                         "printf 'AT\\r' >/dev/ttyUSB0; exit 6"});
    EXPECT_EQ(6, run.exitCode) << run.err;
    EXPECT_EQ("/dev/ttyUSB0\n/dev/ttyUSB1\nAT^ICCID?\r\r\n^ICCID: 89860000000000000001\r\n\r\nOK\r\n", run.out);
    EXPECT_NE(std::string::npos, run.err.find("ttyUSB0 /dev/pts/")) << run.err;
    EXPECT_EQ("38400 cmd AT^ICCID?\\r\n", ReadFile(dir.path + "/ttyUSB1.txt"));
    EXPECT_EQ("38400 unheard AT\\r\n", ReadFile(dir.path + "/ttyUSB0.txt"));

    std::ofstream(fleetFile) << R"({"modems": [{"usb": 1, "type": 9}]})";
    RunResult bad = RunPlain({SIMMODEM_BIN, fleetFile, "--", "true"});
    EXPECT_EQ(2, bad.exitCode);
    EXPECT_NE(std::string::npos, bad.err.find("fleet.modems[0].type")) << bad.err;
}
