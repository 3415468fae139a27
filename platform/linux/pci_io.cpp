// The seam's PCI I/O handles over sysfs: a handle is a function's index in
// bus order plus one (so that none is null), and a function's "PCI I/O
// protocol" is the same number.
#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/linux/linux_platform.h"
#include "platform/linux/pci_resources.h"
#include "platform/platform.h"

namespace {

// Lives until the program ends, as the seam promises.
PlatformHandle* handleList = nullptr;

int functionIndex(const void* handle) {
    return static_cast<int>(reinterpret_cast<uintptr_t>(handle)) - 1;
}

}  // namespace

EfiStatus platformLocatePciIoHandles(size_t* count, PlatformHandle** handles) {
    int functions = linuxPciFunctionCount();
    if (functions == 0)
        return EFI_NOT_FOUND;
    if (handleList == nullptr) {
        handleList = static_cast<PlatformHandle*>(malloc(sizeof(PlatformHandle) * functions));
        if (handleList == nullptr)
            return EFI_DEVICE_ERROR;
        for (int i = 0; i < functions; ++i)
            handleList[i] = reinterpret_cast<PlatformHandle>(static_cast<uintptr_t>(i) + 1);
    }
    *count = static_cast<size_t>(functions);
    *handles = handleList;
    return EFI_SUCCESS;
}

EfiStatus platformOpenPciIo(PlatformHandle handle, PlatformPciIo** pciIo) {
    if (linuxPciFunctionName(functionIndex(handle)) == nullptr)
        return EFI_INVALID_PARAMETER;
    *pciIo = reinterpret_cast<PlatformPciIo*>(handle);
    return EFI_SUCCESS;
}

// Without root, sysfs shows only the first 64 bytes of configuration space;
// the header that the window search reads lies inside them.
EfiStatus platformPciConfigRead(PlatformPciIo* pciIo, PlatformPciWidth width, uint32_t offset,
                                size_t count, void* buffer) {
    const char* name = linuxPciFunctionName(functionIndex(pciIo));
    if (name == nullptr || buffer == nullptr)
        return EFI_INVALID_PARAMETER;
    char path[256];
    snprintf(path, sizeof path, "%s/%s/config", LINUX_PCI_DEVICES, name);
    int descriptor = open(path, O_RDONLY);
    if (descriptor < 0)
        return EFI_DEVICE_ERROR;
    size_t length = count * (width == PLATFORM_PCI_WIDTH_UINT32 ? 4 : 1);
    ssize_t got = pread(descriptor, buffer, length, offset);
    close(descriptor);
    return got == static_cast<ssize_t>(length) ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

// BAR N is line N of the function's sysfs resource file.
EfiStatus platformPciBarLength(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t* length) {
    if (barOffset < 0x10 || barOffset > 0x24 || barOffset % 4 != 0)
        return EFI_INVALID_PARAMETER;
    char text[4096];
    if (!linuxReadPciFile(functionIndex(pciIo), "resource", text, sizeof text))
        return EFI_DEVICE_ERROR;
    *length = pciRegionLength(text, static_cast<int>((barOffset - 0x10) / 4));
    return EFI_SUCCESS;
}

EfiStatus platformPciLocation(PlatformPciIo* pciIo, PlatformPciLocation* location) {
    const char* name = linuxPciFunctionName(functionIndex(pciIo));
    if (name == nullptr || !parsePciName(name, &location->segment, &location->bus,
                                         &location->device, &location->function))
        return EFI_INVALID_PARAMETER;
    return EFI_SUCCESS;
}

namespace {

// The name of the driver bound to the function ("" for none).
void boundDriver(const char* name, char* driver, size_t size) {
    char path[256];
    snprintf(path, sizeof path, "%s/%s/driver", LINUX_PCI_DEVICES, name);
    char target[PATH_MAX];
    ssize_t length = readlink(path, target, sizeof target - 1);
    driver[0] = '\0';
    if (length <= 0)
        return;
    target[length] = '\0';
    const char* slash = strrchr(target, '/');
    const char* last = slash ? slash + 1 : target;
    size_t copied = strnlen(last, size - 1);
    memcpy(driver, last, copied);
    driver[copied] = '\0';
}

bool refuseBoundDriver(const char* name) {
    char driver[64];
    boundDriver(name, driver, sizeof driver);
    if (driverLeavesWindowAlone(driver))
        return false;
    printf(
        "Error! The BMC's display function %s is driven by the kernel's %s driver, which may "
        "move its window; unbind it first: echo %s > /sys/bus/pci/drivers/%s/unbind\n",
        name, driver, name, driver);
    return true;
}

bool mapWindow(const char* name, int index, const PciRegion& region) {
    char path[256];
    snprintf(path, sizeof path, "%s/%s/resource%d", LINUX_PCI_DEVICES, name, index);
    int descriptor = open(path, O_RDWR | O_SYNC);
    if (descriptor < 0) {
        linuxPrintRefusal(path, errno);
        return false;
    }
    void* base = mmap(nullptr, region.size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    int mapError = errno;
    close(descriptor);
    if (base == MAP_FAILED) {
        linuxPrintRefusal(path, mapError);
        return false;
    }
    linuxSetWindowMapping(region.start, region.size, static_cast<volatile uint8_t*>(base));
    return true;
}

}  // namespace

// Only the chosen function's own BAR is mapped, through its own resourceN,
// and only when the kernel placed that BAR where its configuration says.
EfiStatus platformPciClaimWindow(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t base,
                                 uint64_t length) {
    int function = functionIndex(pciIo);
    const char* name = linuxPciFunctionName(function);
    if (name == nullptr || barOffset < 0x10 || barOffset > 0x24 || barOffset % 4 != 0)
        return EFI_INVALID_PARAMETER;
    if (refuseBoundDriver(name))
        return EFI_ACCESS_DENIED;
    int index = static_cast<int>((barOffset - 0x10) / 4);
    char text[4096];
    PciRegion region = {-1, 0, 0};
    if (linuxReadPciFile(function, "resource", text, sizeof text))
        region = pciRegionOnLine(text, index, base, length);
    if (region.index != index || region.start != base) {
        printf("Error! The kernel shows no memory region at 0x%" PRIx64 " for %s resource%d\n",
               base, name, index);
        return EFI_ACCESS_DENIED;
    }
    return mapWindow(name, index, region) ? EFI_SUCCESS : EFI_ACCESS_DENIED;
}
