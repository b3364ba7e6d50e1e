// The read and delete jobs of one port against a simulated modem on its pseudo-terminal, called
// in this process with the port record a scan would have made; no scan runs.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "CCheckManager.h"
#include "ComPortBase.h"
#include "Modem.h"
#include "SmsInfo.h"
#include "StoredSms.h"

using simmodem::Fault;
using simmodem::Modem;
using simmodem::ModemConfig;
using storedsms::Deliver;
using storedsms::Stored;

namespace {

const std::string SENDER = "8613912345678";
const std::string RULE(50, '-');

std::string Green(const std::string& text)
{
    return "\x1b[1m\x1b[32m" + text + "\x1b[0m";
}

std::string Red(const std::string& text)
{
    return "\x1b[1m\x1b[31m" + text + "\x1b[0m";
}

std::string Listed(int n, const std::string& text)
{
    return RULE + "\n 第 " + std::to_string(n) + " 条短信\n发送号码: " + SENDER + "\n发送时间: " +
           storedsms::SHOWN_TIME + "\n短信内容: " + text + "\n";
}

class ReadJob : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(0, CComPortBase::ResetAllComPort()); }

    Modem* Start(ModemConfig config)
    {
        config.echo = false;
        std::string error;
        modem = Modem::Start(config, error);
        EXPECT_TRUE(modem) << error;
        return modem.get();
    }

    // The record a scan gives a fully identified modem of this type.
    ComPortBaseInfo_t Record(int type = PHONE_TYPE_KL48_FT_ON) const
    {
        ComPortBaseInfo_t record;
        record.port = modem ? modem->SlavePath() : "/dev/pts/no-such-modem";
        record.baud = 9600;
        record.atOk = true;
        record.number = "89860012345678901234";
        record.signal = "23,99";
        record.serial = "867584030000001";
        record.type = type;
        return record;
    }

    std::string ReadReport(const ComPortBaseInfo_t& record)
    {
        testing::internal::CaptureStdout();
        manager.HandleReadAllSms({record});
        return testing::internal::GetCapturedStdout();
    }

    std::string Name() const { return modem->SlavePath().substr(5); }

    std::unique_ptr<Modem> modem;
    CCheckManager manager;
};

ModemConfig TwoSimOneDevice()
{
    ModemConfig config = ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON);
    config.pdus = {Stored("SM", 0, Deliver(SENDER, "SIM one")), Stored("SM", 1, Deliver(SENDER, "SIM 二")),
                   Stored("ME", 0, Deliver(SENDER, "device"))};
    return config;
}

} // namespace

TEST_F(ReadJob, ReportCountsBothStoragesAndShowsTheSimBlockFirst)
{
    ASSERT_TRUE(Start(TwoSimOneDevice()));
    EXPECT_EQ(Green("端口 " + Name() + " 接收短信成功 共 3 条短信") + "\n" + Green("SIM卡中的短信共 ") + "2 条\n" +
                  Listed(1, "SIM one") + Listed(2, "SIM 二") + RULE + "\n" + Green("设备中的短信共 ") + "1 条\n" +
                  Listed(1, "device") + RULE + "\n",
              ReadReport(Record()));
}

TEST_F(ReadJob, EmptyStoragesGiveZeroCountsAndOneRuleEach)
{
    ASSERT_TRUE(Start(ModemConfig::ForType(PHONE_TYPE_KL48_FT_ON)));
    EXPECT_EQ(Green("端口 " + Name() + " 接收短信成功 共 0 条短信") + "\n" + Green("SIM卡中的短信共 ") + "0 条\n" +
                  RULE + "\n" + Green("设备中的短信共 ") + "0 条\n" + RULE + "\n",
              ReadReport(Record()));
}

TEST_F(ReadJob, OnlyTheReadableStorageIsCountedAndShown)
{
    ModemConfig config = TwoSimOneDevice();
    config.faults = {Fault::Replace("AT+CPMS=\"ME\"", "\r\n+CMS ERROR: 302\r\n")};
    ASSERT_TRUE(Start(config));
    EXPECT_EQ(Green("端口 " + Name() + " 接收短信成功 共 2 条短信") + "\n" + Green("SIM卡中的短信共 ") + "2 条\n" +
                  Listed(1, "SIM one") + Listed(2, "SIM 二") + RULE + "\n",
              ReadReport(Record()));
}

TEST_F(ReadJob, FailureLineNamesTheReasonAndPortsWithoutDriverAreNeverWritten)
{
    ModemConfig config = TwoSimOneDevice();
    config.faults = {Fault::Replace("AT+CPMS=", "\r\n+CMS ERROR: 302\r\n")};
    ASSERT_TRUE(Start(config));
    const auto failure = [&](const std::string& reason) {
        return Red("端口 " + Name() + " 接收短信失败") + Red("\t 失败原因: ") + Red(reason) + "\n";
    };

    ComPortBaseInfo_t noSimNoDriver = Record(PHONE_TYPE_BASE);
    noSimNoDriver.number.clear();
    EXPECT_EQ(failure("设备未插卡"), ReadReport(noSimNoDriver));
    EXPECT_EQ(failure("设备不AT"), ReadReport(Record(PHONE_TYPE_BASE)));
    EXPECT_TRUE(modem->Heard().empty()) << "nothing is written without a driver";

    EXPECT_EQ(failure("+CMS ERROR: 302"), ReadReport(Record())) << "the driver's error text";
    // Without a SIM card number the port is still read; when neither storage reads, that is the reason.
    ComPortBaseInfo_t noSim = Record();
    noSim.number.clear();
    const std::size_t before = modem->Heard().size();
    EXPECT_EQ(failure("设备未插卡"), ReadReport(noSim));
    EXPECT_GT(modem->Heard().size(), before);
}

TEST_F(ReadJob, ModemWithoutSimCardShowsItsDeviceMessages)
{
    ModemConfig config = TwoSimOneDevice();
    config.sim = false;
    ASSERT_TRUE(Start(config));
    ComPortBaseInfo_t noSim = Record();
    noSim.number.clear();
    EXPECT_EQ(Green("端口 " + Name() + " 接收短信成功 共 1 条短信") + "\n" + Green("设备中的短信共 ") + "1 条\n" +
                  Listed(1, "device") + RULE + "\n",
              ReadReport(noSim));

    std::vector<SmsRecvStruct_t> device;
    std::vector<SmsRecvStruct_t> sim;
    manager.GetPortSMS(noSim, device, sim);
    ASSERT_EQ(1u, device.size());
    EXPECT_EQ("device", device[0].text);
    EXPECT_TRUE(manager.DelPortSMS(noSim)) << "the device storage is emptied";
    manager.GetPortSMS(noSim, device, sim);
    EXPECT_TRUE(device.empty());
}

TEST_F(ReadJob, PortSmsReplacesOnlyTheListsOfStoragesThatWereRead)
{
    ModemConfig config = TwoSimOneDevice();
    config.faults = {Fault::Replace("AT+CPMS=\"ME\"", "\r\n+CMS ERROR: 302\r\n")};
    ASSERT_TRUE(Start(config));
    SmsRecvStruct_t given;
    given.from = "given";
    std::vector<SmsRecvStruct_t> device{given};
    std::vector<SmsRecvStruct_t> sim{given};

    EXPECT_FALSE(manager.GetPortSMS(Record(PHONE_TYPE_BASE), device, sim));
    ASSERT_EQ(1u, device.size());
    ASSERT_EQ(1u, sim.size());
    EXPECT_EQ("given", sim[0].from);
    EXPECT_TRUE(modem->Heard().empty());

    // A storage the modem cannot select is not there: the read of the SIM storage completes it.
    SmsStorages readWhole;
    EXPECT_TRUE(manager.GetPortSMS(Record(), device, sim, &readWhole));
    EXPECT_FALSE(readWhole.device);
    EXPECT_TRUE(readWhole.sim);
    ASSERT_EQ(1u, device.size());
    EXPECT_EQ("given", device[0].from);
    ASSERT_EQ(2u, sim.size());
    EXPECT_EQ("SIM one", sim[0].text);
}

TEST_F(ReadJob, DeleteNeedsADriverAndADeviceAndEmptiesEachStorageInTurn)
{
    ModemConfig config = TwoSimOneDevice();
    // The first selection of the device storage is refused, as by a modem without one.
    config.faults = {Fault::Replace("AT+CPMS=\"ME\"", "\r\nERROR\r\n", 1)};
    ASSERT_TRUE(Start(config));
    EXPECT_FALSE(manager.DelPortSMS(Record(PHONE_TYPE_BASE)));
    EXPECT_TRUE(modem->Heard().empty());

    ComPortBaseInfo_t missing = Record();
    missing.port = "/tmp/zavrix-no-such-device";
    EXPECT_FALSE(manager.DelPortSMS(missing));

    // The delete-all command empties the selected storage only.
    EXPECT_TRUE(manager.DelPortSMS(Record()));
    EXPECT_EQ((std::vector<std::string>{"AT+CPMS=\"ME\"\r\n", "AT+CPMS=\"SM\"\r\n", "AT+CMGD=0,4\r\n"}),
              modem->Heard());
    std::vector<SmsRecvStruct_t> device;
    std::vector<SmsRecvStruct_t> sim;
    manager.GetPortSMS(Record(), device, sim);
    EXPECT_EQ(1u, device.size()) << "a storage that could not be selected keeps its messages";
    EXPECT_TRUE(sim.empty());

    SmsStorages simOnly;
    simOnly.device = false;
    const std::size_t before = modem->Heard().size();
    EXPECT_TRUE(manager.DelPortSMS(Record(), simOnly));
    const std::vector<std::string> heard = modem->Heard();
    EXPECT_EQ((std::vector<std::string>{"AT+CPMS=\"SM\"\r\n", "AT+CMGD=0,4\r\n"}),
              std::vector<std::string>(heard.begin() + before, heard.end()));

    EXPECT_TRUE(manager.DelPortSMS(Record()));
    manager.GetPortSMS(Record(), device, sim);
    EXPECT_TRUE(device.empty());
}

TEST_F(ReadJob, PortsWithoutDriverAreNeverOpened)
{
    // A terminal in cooked mode: opening it as a modem line would leave it raw at the record's speed.
    int master = -1;
    int slave = -1;
    ASSERT_EQ(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
    termios cooked {};
    ASSERT_EQ(0, tcgetattr(slave, &cooked));
    cooked.c_lflag |= ICANON | ECHO;
    cfsetispeed(&cooked, B38400);
    cfsetospeed(&cooked, B38400);
    ASSERT_EQ(0, tcsetattr(slave, TCSANOW, &cooked));
    const std::string path = ttyname(slave);

    ComPortBaseInfo_t noDriver = Record(PHONE_TYPE_BASE);
    ComPortBaseInfo_t noDriverNoSim = noDriver;
    noDriverNoSim.number.clear();
    for (ComPortBaseInfo_t record : {noDriver, noDriverNoSim}) {
        record.port = path;
        ReadReport(record);
        std::vector<SmsRecvStruct_t> device;
        std::vector<SmsRecvStruct_t> sim;
        EXPECT_FALSE(manager.GetPortSMS(record, device, sim));
        EXPECT_FALSE(manager.DelPortSMS(record));

        termios now {};
        ASSERT_EQ(0, tcgetattr(slave, &now));
        EXPECT_NE(0u, now.c_lflag & ICANON) << "type " << record.type << ", SIM " << record.number;
        EXPECT_EQ(B38400, cfgetospeed(&now));
    }
    close(slave);
    close(master);
}
