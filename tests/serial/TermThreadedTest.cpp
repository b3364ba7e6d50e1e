// The detection configures every port from its own thread at once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ComPortBase.h"
#include "ComPortBaseLinux.h"
#include "PtyPair.h"
#include "term.h"

namespace {

constexpr int ROUNDS = 3;

// Opens, configures, talks and closes, several times; false on any step that went wrong.
bool ProbePort(const PtyPair& pty, int baud, int id, std::atomic<int>& waiting)
{
    waiting--;
    while (waiting.load() > 0) std::this_thread::yield();
    for (int round = 0; round < ROUNDS; round++) {
        CComPortBase port(pty.path, baud);
        if (!port.Open() || port.IsComError()) return false;
        const std::string command = "AT+ID=" + std::to_string(id) + "\r\n";
        const std::string answer = "+ID: " + std::to_string(id) + "\r\nOK\r\n";
        if (!port.Write(command) || pty.receive(command.size()) != command) return false;
        pty.send(answer);
        std::string got;
        for (int tries = 0; tries < 100 && got.size() < answer.size(); tries++) port.ReadAll(got);
        if (got != answer) return false;
        if (pty.speed() != (baud == 9600 ? B9600 : B115200)) return false;
    }
    return true;
}

TEST(TermThreaded, SixteenPortsConfiguredAtOnceEachKeepItsOwnSpeed)
{
    ASSERT_EQ(CComPortBase::ResetAllComPort(), 0);
    std::vector<std::unique_ptr<PtyPair>> ptys;
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        ptys.push_back(std::make_unique<PtyPair>());
        ASSERT_TRUE(ptys.back()->ok());
    }
    auto speedOf = [](int i) { return i % 2 ? 115200 : 9600; };

    std::atomic<int> waiting{TERM_SLOT_COUNT};
    std::vector<char> ok(TERM_SLOT_COUNT, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        threads.emplace_back([&, i] { ok[i] = ProbePort(*ptys[i], speedOf(i), i, waiting); });
    }
    for (std::thread& t : threads) t.join();

    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        EXPECT_TRUE(ok[i]) << "port " << i;
        EXPECT_EQ(ptys[i]->speed(), speedOf(i) == 9600 ? B9600 : B115200) << "port " << i;
        EXPECT_FALSE(ptys[i]->attrs().c_cflag & HUPCL) << "port " << i;
    }
    EXPECT_TRUE(tty_write_sz == 960 || tty_write_sz == 11520) << tty_write_sz;

    // Every slot is free again: all sixteen can be registered once more, and no seventeenth.
    for (int i = 0; i < TERM_SLOT_COUNT; i++) {
        EXPECT_EQ(term_add(ptys[i]->slave), 0) << "port " << i;
    }
    PtyPair extra;
    EXPECT_EQ(term_add(extra.slave), -1);
    EXPECT_EQ(term_errno, TERM_EFULL);
    for (int i = 0; i < TERM_SLOT_COUNT; i++) term_erase(ptys[i]->slave);
}

}  // namespace
