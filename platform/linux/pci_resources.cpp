#include "platform/linux/pci_resources.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

namespace {

// The kernel's IORESOURCE_IO and IORESOURCE_MEM flags.
constexpr uint64_t kResourceIo = 0x100;
constexpr uint64_t kResourceMem = 0x200;

bool holds(uint64_t start, uint64_t end, uint64_t address, size_t length) {
    if (length == 0 || address + length - 1 < address)
        return false;
    return start <= address && address + length - 1 <= end;
}

const char* lineAt(const char* text, int index) {
    for (int i = 0; i < index && text != nullptr; ++i) {
        text = strchr(text, '\n');
        if (text != nullptr)
            ++text;
    }
    return text;
}

}  // namespace

uint64_t pciRegionLength(const char* resourceText, int index) {
    const char* line = lineAt(resourceText, index);
    uint64_t start = 0, end = 0;
    if (line == nullptr || sscanf(line, "%" SCNx64 " %" SCNx64, &start, &end) != 2)
        return 0;
    return end > start ? end - start + 1 : 0;
}

PciRegion findPciRegion(const char* resourceText, uint64_t address, size_t length) {
    const char* line = resourceText;
    for (int index = 0; line != nullptr && *line != '\0'; ++index) {
        uint64_t start = 0, end = 0, flags = 0;
        bool parsed = sscanf(line, "%" SCNx64 " %" SCNx64 " %" SCNx64, &start, &end, &flags) == 3;
        bool memory = (flags & kResourceMem) != 0 && (flags & kResourceIo) == 0;
        if (parsed && memory && end > start && holds(start, end, address, length))
            return PciRegion{index, start, end - start + 1};
        line = strchr(line, '\n');
        if (line != nullptr)
            ++line;
    }
    return PciRegion{-1, 0, 0};
}

PciRegion pciRegionOnLine(const char* resourceText, int index, uint64_t address, size_t length) {
    const char* line = lineAt(resourceText, index);
    if (line == nullptr)
        return PciRegion{-1, 0, 0};
    char single[96];
    size_t size = strcspn(line, "\n");
    if (size >= sizeof single)
        return PciRegion{-1, 0, 0};
    memcpy(single, line, size);
    single[size] = '\0';
    PciRegion region = findPciRegion(single, address, length);
    if (region.index == 0)
        region.index = index;
    return region;
}

bool parsePciName(const char* name, uint32_t* segment, uint32_t* bus, uint32_t* device,
                  uint32_t* function) {
    unsigned s = 0, b = 0, d = 0, f = 0;
    int used = 0;
    if (sscanf(name, "%4x:%2x:%2x.%1x%n", &s, &b, &d, &f, &used) != 4 || name[used] != '\0' ||
        used != 12 || d > 0x1F || f > 7)
        return false;
    *segment = s;
    *bus = b;
    *device = d;
    *function = f;
    return true;
}

bool driverLeavesWindowAlone(const char* driver) {
    static const char* const placeholders[] = {"", "pci-stub", "vfio-pci", "uio_pci_generic"};
    for (const char* placeholder : placeholders) {
        if (strcmp(driver, placeholder) == 0)
            return true;
    }
    return false;
}
