#include "pelgrin/sku/mfg_date.h"

#include <string.h>
#include <time.h>

#include "platform/platform.h"

int minutesSince1996() {
    struct tm calendar;
    memset(&calendar, 0, sizeof calendar);
    calendar.tm_year = 1996 - 1900;
    calendar.tm_mday = 1;
    int64_t reference = platformMktime(&calendar);
    int64_t now = platformTime();
    if (now == -1 || reference == -1)
        return 0;
    return static_cast<int>(now > reference ? (now - reference) / 60 : now / 60);
}
