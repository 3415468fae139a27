#pragma once

#include <sys/types.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

#define S_IFMT 0170000
#define S_IFDIR 0040000
#define S_IFREG 0100000
#define S_ISDIR(mode) (((mode)&S_IFMT) == S_IFDIR)
#define S_ISREG(mode) (((mode)&S_IFMT) == S_IFREG)

struct stat {
    off_t st_size;
    mode_t st_mode;
    time_t st_mtime;
};

int stat(const char* name, struct stat* status);

#ifdef __cplusplus
}
#endif
