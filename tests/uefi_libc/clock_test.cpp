// The record's clock through the firmware's GetTime: when its time is UTC,
// and how a known zone and daylight saving time are taken back to UTC.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/uefi/firmware.h"

namespace {

EFI_TIME clockSays;
EFI_STATUS clockAnswer;

EFI_STATUS EFIAPI fakeGetTime(EFI_TIME* time, EFI_TIME_CAPABILITIES*) {
    *time = clockSays;
    return clockAnswer;
}

// 2025-12-06 05:46:40 in the clock's own fields.
const int64_t FIELDS_AS_SECONDS = 1765000000;

TEST(UefiClock, TheRecordTimeIsUtcOnlyWhenTheClockKnowsItsZone) {
    struct Case {
        const char* what;
        EFI_STATUS answer;
        int16_t timeZone;
        uint8_t daylight;
        int64_t seconds;
        bool zoneKnown;
    };
    const Case cases[] = {
        {"zone unspecified: local time as it stands", EFI_SUCCESS, EFI_UNSPECIFIED_TIMEZONE, 0,
         FIELDS_AS_SECONDS, false},
        {"kept in UTC", EFI_SUCCESS, 0, 0, FIELDS_AS_SECONDS, true},
        {"an hour east of UTC", EFI_SUCCESS, 60, 0, FIELDS_AS_SECONDS - 3600, true},
        {"five hours west", EFI_SUCCESS, -300, 0, FIELDS_AS_SECONDS + 18000, true},
        {"east, in daylight saving time", EFI_SUCCESS, 60, EFI_TIME_IN_DAYLIGHT,
         FIELDS_AS_SECONDS - 7200, true},
        {"daylight saving adjusted, not in it", EFI_SUCCESS, 60, EFI_TIME_ADJUST_DAYLIGHT,
         FIELDS_AS_SECONDS - 3600, true},
        {"clock not readable", EFI_DEVICE_ERROR, 0, 0, -1, false},
    };
    EFI_RUNTIME_SERVICES runtime{};
    runtime.GetTime = fakeGetTime;
    EFI_SYSTEM_TABLE system{};
    system.RuntimeServices = &runtime;
    firmware = {nullptr, &system, nullptr};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clockSays = EFI_TIME{};
        clockSays.Year = 2025;
        clockSays.Month = 12;
        clockSays.Day = 6;
        clockSays.Hour = 5;
        clockSays.Minute = 46;
        clockSays.Second = 40;
        clockSays.TimeZone = c.timeZone;
        clockSays.Daylight = c.daylight;
        clockAnswer = c.answer;
        PlatformUtcTime now = platformUtcTime();
        EXPECT_EQ(now.seconds, c.seconds);
        EXPECT_EQ(now.zoneKnown, c.zoneKnown);
    }
    firmware = {nullptr, nullptr, nullptr};
}

}  // namespace
