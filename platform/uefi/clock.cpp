// Pauses and the wall clock through boot and runtime services.
#include <time.h>

#include "platform/platform.h"
#include "platform/uefi/firmware.h"

void platformStall(uint64_t microseconds) {
    // Stall takes a UINTN; split pauses that would not fit a 32-bit count
    // so that no firmware truncates them.
    constexpr uint64_t kLongestStall = 1000000000;
    while (microseconds > kLongestStall) {
        bootServices()->Stall(kLongestStall);
        microseconds -= kLongestStall;
    }
    bootServices()->Stall(microseconds);
}

int64_t platformTime() {
    return static_cast<int64_t>(time(nullptr));
}

int64_t platformMktime(struct tm* calendar) {
    return static_cast<int64_t>(mktime(calendar));
}
