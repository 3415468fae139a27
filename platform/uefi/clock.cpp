// Pauses and the wall clock through boot and runtime services.
#include <time.h>

#include "platform/platform.h"
#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/calendar.h"

namespace {

constexpr uint64_t kMicrosPerSecond = 1000000;
// Reading the firmware clock costs a trip to the RTC: it is consulted once
// in this many readings of the elapsed time.
constexpr uint32_t kReadingsPerClockCheck = 256;

// Boot services offer no free-running counter of known rate. The pauses
// taken are a floor of the time gone by; the firmware clock, whole seconds
// only, adds what the port accesses between them took.
struct ElapsedTime {
    uint64_t stalledMicros;
    uint64_t clockMicros;
    int64_t firstSecond;  // -1 until the clock was read once
    uint32_t readings;
};
ElapsedTime elapsed = {0, 0, -1, 0};

void checkFirmwareClock() {
    int64_t now = static_cast<int64_t>(time(nullptr));
    if (now < 0)
        return;
    if (elapsed.firstSecond < 0 || now < elapsed.firstSecond) {
        elapsed.firstSecond = now;
        return;
    }
    // The first second may have been nearly over when it was read.
    uint64_t wholeSeconds = static_cast<uint64_t>(now - elapsed.firstSecond);
    uint64_t atLeast = wholeSeconds > 0 ? (wholeSeconds - 1) * kMicrosPerSecond : 0;
    if (atLeast > elapsed.clockMicros)
        elapsed.clockMicros = atLeast;
}

}  // namespace

uint64_t platformMicros() {
    if (elapsed.readings++ % kReadingsPerClockCheck == 0)
        checkFirmwareClock();
    return elapsed.stalledMicros > elapsed.clockMicros ? elapsed.stalledMicros
                                                       : elapsed.clockMicros;
}

void platformStall(uint64_t microseconds) {
    elapsed.stalledMicros += microseconds;
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

namespace {

// Minutes to subtract from the clock's fields to reach UTC. UEFI keeps the
// zone as the local time's offset east of UTC, and a clock in daylight saving
// time runs one hour further ahead of it.
int64_t minutesAheadOfUtc(const EFI_TIME& now) {
    int64_t minutes = static_cast<INT16>(now.TimeZone);
    if ((now.Daylight & EFI_TIME_IN_DAYLIGHT) != 0)
        minutes += 60;
    return minutes;
}

}  // namespace

PlatformUtcTime platformUtcTime() {
    EFI_TIME now;
    if (EFI_ERROR(firmware.system->RuntimeServices->GetTime(&now, nullptr)))
        return {-1, false};
    int64_t seconds = uefilibc::clockFieldsToSeconds(now.Year, now.Month, now.Day, now.Hour,
                                                     now.Minute, now.Second);
    if (seconds < 0 || now.TimeZone == EFI_UNSPECIFIED_TIMEZONE)
        return {seconds, false};
    return {seconds - minutesAheadOfUtc(now) * 60, true};
}
