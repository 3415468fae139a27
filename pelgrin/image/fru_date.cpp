// Calendar arithmetic of our own: the UEFI C library's time functions are
// not needed, and no time_t range limits apply.
#include "pelgrin/image/fru_reader.h"

namespace {

const uint32_t MINUTES_PER_DAY = 24 * 60;
// Days from 0000-03-01 to 1996-01-01 in the proleptic Gregorian calendar,
// counting years from March so that the leap day ends each year.
const uint32_t DAYS_TO_1996_FROM_MARCH_0000 = 728964;
const uint32_t DAYS_PER_400_YEARS = 146097;

}  // namespace

FruDateTime fruMinutesToDate(uint32_t minutes) {
    uint32_t days = minutes / MINUTES_PER_DAY + DAYS_TO_1996_FROM_MARCH_0000;
    uint32_t era = days / DAYS_PER_400_YEARS;
    uint32_t dayOfEra = days - era * DAYS_PER_400_YEARS;
    uint32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    uint32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    uint32_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    FruDateTime date;
    date.day = static_cast<uint8_t>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date.month =
        static_cast<uint8_t>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    date.year = static_cast<uint16_t>(era * 400 + yearOfEra + (date.month <= 2 ? 1 : 0));
    uint32_t minuteOfDay = minutes % MINUTES_PER_DAY;
    date.hour = static_cast<uint8_t>(minuteOfDay / 60);
    date.minute = static_cast<uint8_t>(minuteOfDay % 60);
    return date;
}
