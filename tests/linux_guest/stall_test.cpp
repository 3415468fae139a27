// platformStall on Linux: never shorter than asked, and not a scheduler tick
// longer for the short pauses that the KCS waits make by the thousand.
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>

#include "platform/platform.h"

int programMain(int, char**) {
    return 0;
}

namespace {

uint64_t nowMicros() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// The shortest of several pauses: what the stall costs when nothing preempts it.
uint64_t shortestStall(uint64_t microseconds, int times) {
    uint64_t shortest = UINT64_MAX;
    for (int i = 0; i < times; ++i) {
        uint64_t start = nowMicros();
        platformStall(microseconds);
        shortest = std::min(shortest, nowMicros() - start);
    }
    return shortest;
}

TEST(LinuxStall, NeverShorterThanAsked) {
    for (uint64_t asked : {1, 7, 50, 999, 1000, 1999, 2000, 2001, 15000}) {
        for (int i = 0; i < 5; ++i) {
            uint64_t start = nowMicros();
            platformStall(asked);
            EXPECT_GE(nowMicros() - start, asked) << asked << " us";
        }
    }
}

TEST(LinuxStall, ShortPausesSpinToWithinMicroseconds) {
    EXPECT_LT(shortestStall(0, 50), 20u);
    EXPECT_LT(shortestStall(5, 50), 5u + 20u);
    EXPECT_LT(shortestStall(100, 50), 100u + 20u);
}

TEST(LinuxStall, LongPausesEndCloseToTheirDeadline) {
    EXPECT_LT(shortestStall(15000, 5), 15000u + 200u);
    EXPECT_LT(shortestStall(2000, 5), 2000u + 200u);
}

}  // namespace
