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

// The region on line `index` alone when it is memory and holds all of
// [address, address + length); index -1 otherwise. The window is looked for
// on its own function's BAR line only: a bridge lists its windows on the
// lines from 7 on, and they hold every function behind it.
PciRegion pciRegionOnLine(const char* resourceText, int index, uint64_t address, size_t length);

// Segment, bus, device and function of a sysfs function name
// ("0000:17:00.0"); false for any other text.
bool parsePciName(const char* name, uint32_t* segment, uint32_t* bus, uint32_t* device,
                  uint32_t* function);

// A driver bound to a display function owns its memory and may move or
// reprogram it under us; the placeholder drivers that exist to keep others
// off (pci-stub, vfio-pci, uio_pci_generic) leave it alone. "" is no driver.
bool driverLeavesWindowAlone(const char* driver);
