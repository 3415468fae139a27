// Calendar time of the UEFI C library layer. The firmware clock carries no
// reliable zone, so local time and UTC are the same here.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef long long time_t;

struct tm {
    int tm_sec;
    int tm_min;
    int tm_hour;
    int tm_mday;
    int tm_mon;
    int tm_year;
    int tm_wday;
    int tm_yday;
    int tm_isdst;
};

time_t time(time_t* result);
time_t mktime(struct tm* calendar);
time_t timegm(struct tm* calendar);
struct tm* gmtime_r(const time_t* seconds, struct tm* calendar);
struct tm* gmtime(const time_t* seconds);
struct tm* localtime(const time_t* seconds);

#ifdef __cplusplus
}
#endif
