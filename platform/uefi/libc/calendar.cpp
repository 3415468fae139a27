#include "platform/uefi/libc/calendar.h"

namespace uefilibc {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Floor division, so that negative values round towards minus infinity.
int64_t floorDivide(int64_t value, int64_t divisor) {
    int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

}  // namespace

// Howard Hinnant's days_from_civil, with the year starting in March so that
// the leap day is the last day of its year.
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    int64_t era = floorDivide(year, 400);
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t calendarToSeconds(struct tm* calendar) {
    int64_t monthIndex = static_cast<int64_t>(calendar->tm_mon);
    int64_t year = 1900 + static_cast<int64_t>(calendar->tm_year) + floorDivide(monthIndex, 12);
    int month = static_cast<int>(monthIndex - floorDivide(monthIndex, 12) * 12) + 1;
    int64_t days = daysFromCivil(year, month, 1) + calendar->tm_mday - 1;
    int64_t seconds = days * kSecondsPerDay + static_cast<int64_t>(calendar->tm_hour) * 3600 +
                      static_cast<int64_t>(calendar->tm_min) * 60 + calendar->tm_sec;
    secondsToCalendar(seconds, calendar);
    return seconds;
}

void secondsToCalendar(int64_t seconds, struct tm* calendar) {
    int64_t days = floorDivide(seconds, kSecondsPerDay);
    int64_t secondOfDay = seconds - days * kSecondsPerDay;
    int64_t shifted = days + 719468;
    int64_t era = floorDivide(shifted, 146097);
    int64_t dayOfEra = shifted - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    calendar->tm_year = static_cast<int>(year - 1900);
    calendar->tm_mon = month - 1;
    calendar->tm_mday = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    calendar->tm_hour = static_cast<int>(secondOfDay / 3600);
    calendar->tm_min = static_cast<int>(secondOfDay / 60 % 60);
    calendar->tm_sec = static_cast<int>(secondOfDay % 60);
    calendar->tm_wday = static_cast<int>(floorDivide(days + 4, 7) * -7 + days + 4);
    calendar->tm_yday = static_cast<int>(days - daysFromCivil(year, 1, 1));
    calendar->tm_isdst = 0;
}

int64_t clockFieldsToSeconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm calendar = {};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    calendar.tm_sec = second;
    return calendarToSeconds(&calendar);
}

}  // namespace uefilibc
