// Calendar time from the firmware clock. The clock's time-zone field is
// unreliable on factory boards, so its fields are taken as they stand.
#include <sys/time.h>
#include <time.h>

#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/calendar.h"

namespace {

struct tm gmtimeResult = {};

}  // namespace

extern "C" {

time_t time(time_t* result) {
    EFI_TIME now;
    time_t seconds = -1;
    if (firmware.system != nullptr &&
        !EFI_ERROR(firmware.system->RuntimeServices->GetTime(&now, nullptr))) {
        seconds = uefilibc::clockFieldsToSeconds(now.Year, now.Month, now.Day, now.Hour, now.Minute,
                                                 now.Second);
    }
    if (result != nullptr)
        *result = seconds;
    return seconds;
}

time_t mktime(struct tm* calendar) {
    return uefilibc::calendarToSeconds(calendar);
}

time_t timegm(struct tm* calendar) {
    return uefilibc::calendarToSeconds(calendar);
}

struct tm* gmtime_r(const time_t* seconds, struct tm* calendar) {
    uefilibc::secondsToCalendar(*seconds, calendar);
    return calendar;
}

struct tm* gmtime(const time_t* seconds) {
    return gmtime_r(seconds, &gmtimeResult);
}

struct tm* localtime(const time_t* seconds) {
    return gmtime_r(seconds, &gmtimeResult);
}

}  // extern "C"

extern "C" int gettimeofday(struct timeval* now, void*) {
    now->tv_sec = time(nullptr);
    now->tv_usec = 0;
    return now->tv_sec < 0 ? -1 : 0;
}
