// The microsecond clock and its wait, in both places the program keeps them: the serial layer's
// pair and the application's pair that the delete-all exchange waits with.
#include <gtest/gtest.h>

#include <time.h>

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

namespace {

uint64_t MonotonicUs()
{
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

} // namespace

// What one pause oversleeps comes off the next, but no pause may end before the point the run's
// pauses have added up to: a run never gets shorter than its design, however it was slept.
TEST(Pacer, NoPauseEndsBeforeTheRunsPausesAddUp)
{
    const uint64_t pauses[] = {1, 500, 500, 1000, 3, 2500, 500, 1, 1, 1000};
    CPacer pacer;
    uint64_t designed = 0;
    const uint64_t start = MonotonicUs();
    for (uint64_t us : pauses) {
        pacer.Pause(us);
        designed += us;
        EXPECT_GE(MonotonicUs() - start, designed) << "after a pause of " << us << " us";
    }
}

// Work between two pauses is no pause: it takes nothing off the next one, so the two pauses
// alone still add up to their design.
TEST(Pacer, TimeBetweenPausesIsNotCountedAsPausing)
{
    CPacer pacer;
    uint64_t start = MonotonicUs();
    pacer.Pause(500);
    const uint64_t first = MonotonicUs() - start;
    const uint64_t busyUntil = MonotonicUs() + 3000;
    while (MonotonicUs() < busyUntil) {
    }
    start = MonotonicUs();
    pacer.Pause(1000);
    const uint64_t second = MonotonicUs() - start;
    EXPECT_GE(first + second, 1500u) << first << " + " << second;
}
