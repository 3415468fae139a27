// Device memory behind a PCI function's memory region, mapped through its
// sysfs resourceN file. Debian kernels refuse /dev/mem for ranges a driver
// has claimed (a display function's window always is), while resourceN maps
// the region uncached whoever owns it.
#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/linux/linux_platform.h"
#include "platform/linux/pci_resources.h"
#include "platform/platform.h"

namespace {

struct Mapping {
    uint64_t start;
    uint64_t size;
    volatile uint8_t* base;
};

// The window's registers and data area lie in one region; a few spare slots
// cover a board whose BMC splits them.
constexpr int kMaxMappings = 4;
Mapping mappings[kMaxMappings] = {};
int mappingCount = 0;

volatile uint8_t* alreadyMapped(uint64_t address, size_t length) {
    for (int i = 0; i < mappingCount; ++i) {
        const Mapping& mapping = mappings[i];
        if (address >= mapping.start && address - mapping.start + length <= mapping.size)
            return mapping.base + (address - mapping.start);
    }
    return nullptr;
}

bool findRegion(uint64_t address, size_t length, int* function, PciRegion* region) {
    char text[4096];
    for (int i = 0; i < linuxPciFunctionCount(); ++i) {
        if (!linuxReadPciFile(i, "resource", text, sizeof text))
            continue;
        *region = findPciRegion(text, address, length);
        if (region->index >= 0) {
            *function = i;
            return true;
        }
    }
    return false;
}

volatile uint8_t* mapRegion(int function, const PciRegion& region) {
    char file[32];
    snprintf(file, sizeof file, "resource%d", region.index);
    char path[256];
    snprintf(path, sizeof path, "%s/%s/%s", LINUX_PCI_DEVICES, linuxPciFunctionName(function),
             file);
    int descriptor = open(path, O_RDWR | O_SYNC);
    if (descriptor < 0)
        linuxRefuse(path, errno);
    void* base = mmap(nullptr, region.size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    int mapError = errno;
    close(descriptor);
    if (base == MAP_FAILED)
        linuxRefuse(path, mapError);
    mappings[mappingCount++] = Mapping{region.start, region.size, static_cast<uint8_t*>(base)};
    return static_cast<volatile uint8_t*>(base);
}

// Null when no PCI memory region holds the range.
volatile uint8_t* mapped(uint64_t address, size_t length) {
    if (volatile uint8_t* bytes = alreadyMapped(address, length))
        return bytes;
    int function = -1;
    PciRegion region = {-1, 0, 0};
    if (mappingCount == kMaxMappings || !findRegion(address, length, &function, &region))
        return nullptr;
    return mapRegion(function, region) + (address - region.start);
}

// Register accesses have nowhere to go when no region holds them; going on
// would report a transfer that never reached the BMC.
volatile uint8_t* mappedOrFail(uint64_t address, size_t length) {
    volatile uint8_t* bytes = mapped(address, length);
    if (bytes == nullptr) {
        char message[96];
        snprintf(message, sizeof message, "no PCI memory region holds 0x%" PRIx64 " (%zu bytes)",
                 address, length);
        linuxFail(message);
    }
    return bytes;
}

template <typename Value>
volatile Value* at(uint64_t address) {
    return reinterpret_cast<volatile Value*>(mappedOrFail(address, sizeof(Value)));
}

}  // namespace

uint8_t platformPhysRead8(uint64_t address) {
    return *at<uint8_t>(address);
}

uint32_t platformPhysRead32(uint64_t address) {
    return *at<uint32_t>(address);
}

void platformPhysWrite8(uint64_t address, uint8_t value) {
    *at<uint8_t>(address) = value;
}

void platformPhysWrite32(uint64_t address, uint32_t value) {
    *at<uint32_t>(address) = value;
}

void platformPhysZero(uint64_t address, size_t length) {
    volatile uint8_t* bytes = mappedOrFail(address, length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = 0;
}

void* platformPhysPointer(uint64_t address, size_t length) {
    return const_cast<uint8_t*>(mapped(address, length));
}
