// Free space of a file's volume, as a user without the root reserve sees it.
#include <sys/statvfs.h>

#include "platform/platform.h"

bool platformVolumeFreeBytes(const char* path, uint64_t* freeBytes) {
    struct statvfs volume;
    if (statvfs(path, &volume) != 0)
        return false;
    *freeBytes = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    return true;
}
