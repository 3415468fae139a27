// Pauses and the wall clock on Linux. The KCS waits ask for pauses from 0 to
// 15 ms and count on none being shorter; a plain nanosleep overshoots short
// ones by the scheduler's slack, so only the bulk of a long pause sleeps and
// the end of every pause spins on the monotonic clock.
#include <time.h>

#include "platform/platform.h"

namespace {

constexpr uint64_t kNanosPerMicro = 1000;
constexpr uint64_t kNanosPerSecond = 1000000000;
// Pauses at least this long sleep, all but their last kSpinTailUs.
constexpr uint64_t kSleepFromUs = 2000;
constexpr uint64_t kSpinTailUs = 1000;

uint64_t monotonicNanos() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * kNanosPerSecond + static_cast<uint64_t>(now.tv_nsec);
}

void sleepMicros(uint64_t microseconds) {
    uint64_t nanos = microseconds * kNanosPerMicro;
    struct timespec pause = {static_cast<time_t>(nanos / kNanosPerSecond),
                             static_cast<long>(nanos % kNanosPerSecond)};
    // A signal cuts the sleep short; the spin below makes up the rest.
    nanosleep(&pause, nullptr);
}

}  // namespace

void platformStall(uint64_t microseconds) {
    if (microseconds == 0)
        return;
    const uint64_t deadline = monotonicNanos() + microseconds * kNanosPerMicro;
    if (microseconds >= kSleepFromUs)
        sleepMicros(microseconds - kSpinTailUs);
    while (monotonicNanos() < deadline) {
    }
}

uint64_t platformMicros() {
    return monotonicNanos() / kNanosPerMicro;
}

int64_t platformTime() {
    return static_cast<int64_t>(time(nullptr));
}

int64_t platformMktime(struct tm* calendar) {
    return static_cast<int64_t>(timegm(calendar));
}

// The system clock counts UTC whatever zone the board's users live in.
PlatformUtcTime platformUtcTime() {
    return {platformTime(), true};
}
