// The microsecond clock and its wait, in both places the program keeps them: the serial layer's
// pair and the application's pair that the delete-all exchange waits with.
#include <gtest/gtest.h>

#include <cstdint>

#include "CCheckManager.h"
#include "ComPortBase.h"

TEST(MicrosecondClock, BothPairsSleepUntilTheTarget)
{
    const struct {
        const char* name;
        uint64_t (*now)();
        int (*until)(uint64_t);
    } clocks[] = {{"time_usec", time_usec, usleep_until}, {"time_usec2", time_usec2, usleep_until2}};
    for (const auto& clock : clocks) {
        const uint64_t start = clock.now();
        EXPECT_GT(start, 1600000000ull * 1000000) << clock.name << " counts from the epoch";
        EXPECT_EQ(0, clock.until(start - 1000000)) << clock.name;
        const uint64_t target = clock.now() + 15000;
        EXPECT_EQ(0, clock.until(target)) << clock.name;
        EXPECT_GE(clock.now(), target) << clock.name;
    }
}
