#pragma once

#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

struct timeval {
    time_t tv_sec;
    long tv_usec;
};

int gettimeofday(struct timeval* now, void* zone);

#ifdef __cplusplus
}
#endif
