// The seam's PCI I/O handles over sysfs: a handle is a function's index in
// bus order plus one (so that none is null), and a function's "PCI I/O
// protocol" is the same number.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
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
