// The station's stick on the simulated board is the host's directory; a
// rehearsal may say it is nearly full.
#include <sys/statvfs.h>

#include "platform/platform.h"
#include "platform/sim/sim_faults.h"

bool platformVolumeFreeBytes(const char* path, uint64_t* freeBytes) {
    struct statvfs volume;
    if (statvfs(path, &volume) != 0)
        return false;
    *freeBytes = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    if (sim::simFaults().logFreeBytes)
        *freeBytes = *sim::simFaults().logFreeBytes;
    return true;
}
