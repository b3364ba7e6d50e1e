// What the send job shows: the console line of each result in the menu, the JSON document of the
// command-line send, and the terminal that a record naming "/dev/tty" must leave alone.
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>
#include <vector>

#include "CCheckManager.h"
#include "SendFixture.h"

using sendtest::CaptureConsole;
using sendtest::RecordOf;
using sendtest::StartModem;
using simmodem::Fault;
using simmodem::Modem;
using simmodem::ModemConfig;

TEST(SendConsole, OneLinePerResultWithTheReasonOfAFailure)
{
    std::unique_ptr<Modem> working = StartModem();
    ModemConfig refusingConfig = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    refusingConfig.faults.push_back(Fault::BodyError(300));
    std::unique_ptr<Modem> refusing = StartModem(refusingConfig);
    ASSERT_TRUE(working && refusing);
    ComPortBaseInfo_t noSim = RecordOf(*working);
    noSim.number.clear();

    CCheckManager manager;
    const std::string shown = CaptureConsole([&] {
        manager.HandleSendPduSmsProcess({RecordOf(*working), RecordOf(*refusing), noSim}, {"13812345678"}, "hi");
    });

    const std::string workingId = working->SlavePath().substr(5);
    const std::string refusingId = refusing->SlavePath().substr(5);
    EXPECT_EQ("(T)端口 " + workingId + " 发送到 13812345678 的短信发送成功\n"
              "(T)端口 " + refusingId + " 发送到 13812345678 的短信发送失败,失败原因: +CMS ERROR: 300\n"
              "(T)端口 " + workingId + " 发送到 13812345678 的短信发送失败,失败原因: 设备未插卡\n",
              shown);
    EXPECT_TRUE(manager.sendResults.empty()) << "the menu prints results instead of collecting them";
}

TEST(SendConsole, NoPortOrNoNumberGivesNoResult)
{
    std::unique_ptr<Modem> modem = StartModem();
    ASSERT_TRUE(modem);
    CCheckManager manager;
    const std::string shown = CaptureConsole([&] {
        manager.HandleSendPduSmsProcess({}, {"13812345678"}, "hi");
        manager.HandleSendPduSmsProcess({RecordOf(*modem)}, {}, "hi");
    });
    EXPECT_EQ("", shown);
    EXPECT_TRUE(manager.sendResults.empty());
    EXPECT_TRUE(modem->Transcript().empty());
}

namespace {

SendSmsResult_t Result(const std::string& port, const std::string& number, int code, const std::string& message)
{
    SendSmsResult_t result;
    result.port = port;
    result.number = number;
    result.time = "2024-01-13 12:32:52";
    result.code = code;
    result.message = message;
    return result;
}

} // namespace

TEST(SendJsonDocument, OneElementPerResultWithMembersInKeyOrder)
{
    CCheckManager manager;
    manager.sendResults = {
        Result("/dev/ttyUSB0", "13812345678", 0, "设备不AT"),
        Result("/dev/ttyUSB0", "10086", 1, "+CMS ERROR: 300"),
        Result("/dev/ttyUSB9", "13812345678", 4, ""),
    };
    const std::string shown = CaptureConsole([&] { manager.PrintSendPduSmsResultAsJson(); });

    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ("}\n\n", shown.substr(shown.size() - 3)) << "one empty line after the document";
    Json::Value document;
    ASSERT_TRUE(Json::Reader().parse(shown, document)) << shown;
    EXPECT_EQ(0, document["code"].asInt());
    EXPECT_EQ("param is ok", document["message"].asString());
    ASSERT_EQ(3u, document["result"].size());
    const struct {
        int code;
        const char* com;
        const char* message;
        const char* number;
    } expected[] = {
        {0, "ttyUSB0", "Succeed", "13812345678"},
        {1, "ttyUSB0", "+CMS ERROR: 300", "10086"},
        {4, "ttyUSB9", "No SIM CARD In Device", "13812345678"},
    };
    for (Json::ArrayIndex i = 0; i < 3; ++i) {
        const Json::Value& element = document["result"][i];
        EXPECT_EQ(expected[i].code, element["code"].asInt());
        EXPECT_EQ(expected[i].com, element["com"].asString());
        EXPECT_EQ(expected[i].message, element["message"].asString());
        EXPECT_EQ(expected[i].number, element["number"].asString());
        EXPECT_EQ("2024-01-13 12:32:52", element["time"].asString());
        EXPECT_EQ(5u, element.size());
    }
    // Printed in key order, at the top and in each element.
    std::size_t at = 0;
    for (const char* key : {"\"code\" : 0", "\"message\" : \"param is ok\"", "\"result\"", "\"code\"", "\"com\"",
                            "\"message\"", "\"number\"", "\"time\""}) {
        const std::size_t next = shown.find(key, at);
        ASSERT_NE(std::string::npos, next) << key << " after " << at << " in\n" << shown;
        at = next;
    }
}

// A failure text is the modem's own line, and a modem can send any bytes.
TEST(SendJsonDocument, ModemBytesThatAreNotUtf8BecomeReplacementCharacters)
{
    CCheckManager manager;
    manager.sendResults = {Result("/dev/ttyUSB0", "10086", 1, "+CMS ERROR: \xE4\xB8x\xFF")};
    const std::string shown = CaptureConsole([&] { manager.PrintSendPduSmsResultAsJson(); });
    Json::Value document;
    ASSERT_TRUE(Json::Reader().parse(shown, document)) << shown;
    EXPECT_EQ("+CMS ERROR: \xEF\xBF\xBDx\xEF\xBF\xBD", document["result"][0]["message"].asString());
}

TEST(SendJsonDocument, NoResultMeansNoResultMember)
{
    CCheckManager manager;
    const std::string shown = CaptureConsole([&] { manager.PrintSendPduSmsResultAsJson(); });
    EXPECT_EQ("{\n\t\"code\" : 0,\n\t\"message\" : \"param is ok\"\n}\n\n", shown);
}

// The scan lists a typed port id it does not know as "/dev/tty" + id, so an empty id names the
// controlling terminal. Such records have no driver or no SIM card; the job must not open them.
TEST(SendPortSafety, RecordsWithoutDriverOrSimCardLeaveTheTerminalAlone)
{
    int master = -1, slave = -1;
    ASSERT_EQ(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
    struct termios before {};
    ASSERT_EQ(0, tcgetattr(slave, &before));
    ASSERT_NE(0u, before.c_lflag & ICANON);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The pseudo-terminal becomes this process's /dev/tty.
        sendtest::StartSerialFramework();
        setsid();
        if (ioctl(slave, TIOCSCTTY, 0) != 0) {
            _exit(3);
        }
        ComPortBaseInfo_t unlisted;
        unlisted.port = "/dev/tty";
        unlisted.baud = 115200;
        unlisted.knownPort = false;
        ComPortBaseInfo_t undriven = unlisted;
        undriven.number = "89860012345678901234";
        undriven.type = PHONE_TYPE_BASE;
        ComPortBaseInfo_t noSim = unlisted;
        noSim.type = PHONE_TYPE_KL48_FT_ON;
        CCheckManager manager;
        manager.plainTextMode = false;
        manager.HandleSendPduSmsProcess({unlisted, undriven, noSim}, {"13812345678"}, "hi");
        const bool expected = manager.sendResults.size() == 3 && manager.sendResults[0].code == 4 &&
                              manager.sendResults[1].code == 6 && manager.sendResults[2].code == 4;
        _exit(expected ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "3: no controlling terminal, 4: wrong results";

    struct termios after {};
    ASSERT_EQ(0, tcgetattr(slave, &after));
    EXPECT_EQ(before.c_lflag, after.c_lflag) << "the terminal was put into raw mode";
    EXPECT_EQ(before.c_iflag, after.c_iflag);
    EXPECT_EQ(before.c_oflag, after.c_oflag);
    EXPECT_EQ(cfgetospeed(&before), cfgetospeed(&after));
    close(slave);
    close(master);
}
