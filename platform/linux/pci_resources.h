// A PCI function's sysfs "resource" file: one line per region, "start end
// flags" in hexadecimal, line N describing the region that resourceN maps.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct PciRegion {
    int index;       // N of resourceN, or -1 when no region holds the range
    uint64_t start;  // physical address of the region's first byte
    uint64_t size;
};

// The memory region that holds all of [address, address + length) in the
// text of a resource file; index -1 when none does. I/O regions (flag bit
// 0x100) and unassigned ones (start and end 0) never match.
PciRegion findPciRegion(const char* resourceText, uint64_t address, size_t length);

// Bytes decoded by region `index` (line `index`) of a resource file's text;
// 0 when the line is missing, unreadable or the region unassigned.
uint64_t pciRegionLength(const char* resourceText, int index);
