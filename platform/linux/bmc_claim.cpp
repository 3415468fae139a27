// One program on the BMC at a time, and never beside a half-loaded kernel
// driver: two masters on one KCS interface corrupt each other's transfers.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace {

constexpr const char* kRunDirectory = "/run";
constexpr const char* kLockDirectory = "/run/lock";
constexpr const char* kLockFile = "/run/lock/velsku-bmc.lock";
constexpr const char* kIpmiSiModule = "/sys/module/ipmi_si";
constexpr int kLockWaitMs = 5000;
constexpr int kLockPollMs = 50;

// Held until the program ends; the kernel releases it with the process.
int lockDescriptor = -1;

int64_t monotonicMillis() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool takeLock() {
    if (lockDescriptor >= 0)
        return true;
    // A minimal system (an initramfs) may have neither yet.
    mkdir(kRunDirectory, 0755);
    mkdir(kLockDirectory, 01777);
    // Read-only is enough for flock, and lets a user other than the one who
    // created the file take it (and then meet the ports' own refusal).
    int descriptor = open(kLockFile, O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        linuxPrintRefusal(kLockFile, errno);
        return false;
    }
    const int64_t deadline = monotonicMillis() + kLockWaitMs;
    while (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            linuxPrintRefusal(kLockFile, errno);
            close(descriptor);
            return false;
        }
        if (monotonicMillis() >= deadline) {
            printf(
                "Error! Another pelgrin or dorvax has held the BMC for 5 s (%s); run one at a "
                "time\n",
                kLockFile);
            close(descriptor);
            return false;
        }
        usleep(kLockPollMs * 1000);
    }
    lockDescriptor = descriptor;
    return true;
}

// With ipmi_si loaded the kernel polls the KCS registers itself; without its
// device node there is no way to go through it, and the ports are its.
bool driverHalfLoaded(bool nodePresent) {
    struct stat info;
    if (nodePresent || stat(kIpmiSiModule, &info) != 0)
        return false;
    puts(
        "Error! The kernel's ipmi_si driver owns the KCS interface but /dev/ipmi0 is missing: "
        "load ipmi_devintf (modprobe ipmi_devintf), or unload ipmi_si");
    return true;
}

}  // namespace

EfiStatus platformClaimBmc(uint16_t kcsDataPort) {
    if (!takeLock())
        return EFI_ACCESS_DENIED;
    bool driverPresent = false;
    if (!linuxOpenIpmiDriver(&driverPresent) || driverHalfLoaded(driverPresent))
        return EFI_ACCESS_DENIED;
    if (!driverPresent && !linuxGrantPorts(kcsDataPort))
        return EFI_ACCESS_DENIED;
    return EFI_SUCCESS;
}
