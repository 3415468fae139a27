// Proleptic Gregorian calendar arithmetic on seconds since 1970-01-01
// 00:00:00, with no time zone.
#pragma once

#include <stdint.h>
#include <time.h>

namespace uefilibc {

// Days from 1970-01-01 to the given date (month 1-12, day 1-31).
int64_t daysFromCivil(int64_t year, int month, int day);

// As timegm: fields out of their ranges carry into the next larger one, and
// all fields (with weekday and day of year) are rewritten normalised.
int64_t calendarToSeconds(struct tm* calendar);

// A clock's fields (month 1-12) to seconds, as the firmware clock gives them.
int64_t clockFieldsToSeconds(int year, int month, int day, int hour, int minute, int second);

// As gmtime_r.
void secondsToCalendar(int64_t seconds, struct tm* calendar);

}  // namespace uefilibc
