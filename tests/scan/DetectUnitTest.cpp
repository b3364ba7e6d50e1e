// The detection's text steps: the value of a key in a modem answer, the signal figures and the
// list of candidate ports (with a stand-in "ls", so that no real port is looked at).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "CDeviceDetect.h"

namespace {

TEST(GetRightString, ValueAfterTheKeysColonUpToTheLineEnd)
{
    struct Case {
        const char* text;
        const char* key;
        std::string value;
    } cases[] = {
        {"\r\n^MODECONFIG: 22\r\n\r\nOK\r\n", "^MODECONFIG", "22"},
        {"\r\n+COPS: 0,0,\"CHINA MOBILE\",7\r\n\r\nOK\r\n", "+COPS", "0,0,\"CHINA MOBILE\",7"},
        {"AT+COPS?\r\r\n+COPS: 0,0,\"CT\",7\r\n", "+COPS", "0,0,\"CT\",7"}, // echo first
        {"+COPS:\t \"CT\" \t\r\n", "+COPS", "\"CT\""},
        {"+COPS: 0,0\n", "+COPS", "0,0"},               // LF alone ends the value
        {"+COPS: a\nb\r\n", "+COPS", "a\nb"},           // a CR anywhere after wins over the LF
        {"+COPS 0,0\r\n", "+COPS", ""},                 // no colon after the key
        {"+COPS: 0,0", "+COPS", ""},                    // no line end after the colon
        {"+COPS:   \r\n", "+COPS", ""},
        {"\r\n+CSQ: 23,99\r\n", "+COPS", ""},
        {"+COPS", "+COPS", ""},                         // the key must be shorter than the text
        {"", "+COPS", ""},
        {"+COPS: 1\r\n", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCheckManager::getRightString(c.text, c.key), c.value) << c.text;
    }
    EXPECT_EQ(CCheckManager::getRightString(nullptr, "+COPS"), "");
    EXPECT_EQ(CCheckManager::getRightString("+COPS: 1\r\n", nullptr), "");
}

TEST(RegetRssi, ReadsTheTwoFiguresAndKeepsWhatItCannotRead)
{
    struct Case {
        const char* signal;
        int rssi;
        int ber;
    } cases[] = {
        {"", 99, 0}, {"23,99", 23, 99}, {" 20,5", 20, 5}, {"17", 17, 0}, {"no signal", 99, 0},
    };
    for (const Case& c : cases) {
        DeviceBaseComInfo info;
        snprintf(info.signal, sizeof info.signal, "%s", c.signal);
        EXPECT_EQ(info.regetRssi(), c.rssi) << c.signal;
        EXPECT_EQ(info.rssi, c.rssi);
        EXPECT_EQ(info.ber, c.ber);
    }
}

// Puts an "ls" that prints `output` first on PATH for the life of the object.
class FakeLs {
public:
    explicit FakeLs(const std::string& output)
    {
        char pattern[] = "/tmp/zavrix-fake-ls-XXXXXX";
        dir = mkdtemp(pattern);
        std::ofstream(dir + "/out", std::ios::binary) << output;
        std::ofstream(dir + "/ls") << "#!/bin/sh\ncat '" << dir << "/out'\nexit 2\n";
        chmod((dir + "/ls").c_str(), 0755);
        oldPath = getenv("PATH");
        setenv("PATH", (dir + ":" + oldPath).c_str(), 1);
    }
    ~FakeLs()
    {
        setenv("PATH", oldPath.c_str(), 1);
        unlink((dir + "/ls").c_str());
        unlink((dir + "/out").c_str());
        rmdir(dir.c_str());
    }

private:
    std::string dir;
    std::string oldPath;
};

TEST(GetAllComPort, KeepsThePiecesNamingDevAndAlwaysAddsTheTwoSerialPorts)
{
    const std::string longPath = "/dev/" + std::string(3000, 'x');
    struct Case {
        const char* name;
        std::string output;
        std::vector<std::string> ports;
    } cases[] = {
        {"nothing", "", {"/dev/ttyS0", "/dev/ttyS1"}},
        {"ls order kept", "/dev/ttyUSB0\n/dev/ttyUSB10\n/dev/ttyUSB2\n",
         {"/dev/ttyUSB0", "/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS0", "/dev/ttyS1"}},
        {"noise dropped", "\n\nls: cannot access\n/dev/ttyUSB3\n\nttyUSB4\n/dev/ttyUSB5",
         {"/dev/ttyUSB3", "/dev/ttyUSB5", "/dev/ttyS0", "/dev/ttyS1"}},
        {"line longer than a read", longPath + "\n/dev/ttyUSB1\n", {longPath, "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyS1"}},
    };
    for (const Case& c : cases) {
        FakeLs ls(c.output);
        EXPECT_EQ(CCheckManager::GetAllComPort(), c.ports) << c.name;
    }
}

} // namespace
