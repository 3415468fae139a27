#include "pelgrin/channel/bmc_window_search.h"

#include <stdio.h>

#include "pelgrin/channel/smem_layout.h"

namespace {

constexpr uint32_t PCI_HEADER_SIZE = 16;
constexpr uint32_t PCI_VENDOR = 0x00;
constexpr uint32_t PCI_DEVICE = 0x02;
constexpr uint32_t PCI_COMMAND = 0x04;
constexpr uint32_t PCI_PROG_IF = 0x09;
constexpr uint32_t PCI_SUB_CLASS = 0x0A;
constexpr uint32_t PCI_BASE_CLASS = 0x0B;
constexpr uint32_t PCI_WINDOW_REGISTER = 0x14;
constexpr uint32_t PCI_WINDOW_REGISTER_HIGH = 0x18;
constexpr uint16_t PCI_COMMAND_IO_AND_MEMORY = 0x0003;
constexpr uint8_t PCI_CLASS_DISPLAY = 0x03;
constexpr uint32_t BAR_IO_SPACE = 0x1;
constexpr uint32_t BAR_TYPE_MASK = 0x6;
constexpr uint32_t BAR_TYPE_64 = 0x4;
constexpr uint32_t BAR_MEMORY_FLAGS = 0xF;

uint16_t header16(const uint8_t* header, uint32_t offset) {
    return static_cast<uint16_t>(header[offset] | header[offset + 1] << 8);
}

bool isBmcDisplayHeader(const uint8_t* header) {
    uint16_t command = header16(header, PCI_COMMAND);
    return (command & PCI_COMMAND_IO_AND_MEMORY) == PCI_COMMAND_IO_AND_MEMORY &&
           header[PCI_BASE_CLASS] == PCI_CLASS_DISPLAY && header[PCI_SUB_CLASS] == 0x00 &&
           header[PCI_PROG_IF] == 0x00;
}

bool readHeader(PlatformHandle handle, PlatformPciIo** pciIo, uint8_t* header) {
    if (platformOpenPciIo(handle, pciIo) != EFI_SUCCESS) {
        puts("Error: Try to open the EFI PCI IO protocol on handle");
        return false;
    }
    EfiStatus status =
        platformPciConfigRead(*pciIo, PLATFORM_PCI_WIDTH_UINT8, 0, PCI_HEADER_SIZE, header);
    if (status != EFI_SUCCESS) {
        printf("Error: Read the PCi configuration space, %d.\n\n", static_cast<int32_t>(status));
        return false;
    }
    return true;
}

uint32_t configWord(PlatformPciIo* pciIo, uint32_t offset) {
    uint32_t word = 0;
    if (platformPciConfigRead(pciIo, PLATFORM_PCI_WIDTH_UINT32, offset, 1, &word) != EFI_SUCCESS)
        return 0;
    return word;
}

// A register that reads 0 or decodes I/O space cannot be our memory window;
// a memory BAR's low four bits are flags, and a 64-bit one keeps the upper
// half of its base in the next register: cut to 32 bits, the base names
// whatever else lies there.
bool readWindowBase(PlatformPciIo* pciIo, uint64_t* barBase) {
    uint32_t low = configWord(pciIo, PCI_WINDOW_REGISTER);
    if (low == 0 || (low & BAR_IO_SPACE) != 0)
        return false;
    uint64_t base = low & ~BAR_MEMORY_FLAGS;
    if ((low & BAR_TYPE_MASK) == BAR_TYPE_64)
        base |= static_cast<uint64_t>(configWord(pciIo, PCI_WINDOW_REGISTER_HIGH)) << 32;
    *barBase = base;
    return base != 0;
}

// A smaller BAR would send the registers and data past the function's own
// memory, into space nothing decodes or another device's registers, where
// every write is lost and the doorbell is taken for nothing.
bool windowFits(PlatformPciIo* pciIo, uint64_t barBase, uint64_t* length) {
    return platformPciBarLength(pciIo, PCI_WINDOW_REGISTER, length) == EFI_SUCCESS &&
           *length >= WINDOW_SPAN && barBase <= UINT64_MAX - WINDOW_SPAN;
}

bool vendorListed(const uint32_t* vendors, uint16_t vendor) {
    if (vendors[0] == BMC_PCI_VENDOR_END)
        return true;
    for (const uint32_t* listed = vendors; *listed != BMC_PCI_VENDOR_END; ++listed) {
        if (*listed == vendor)
            return true;
    }
    return false;
}

bool readCandidate(PlatformHandle handle, const uint32_t* vendors, WindowCandidate* candidate) {
    uint8_t header[PCI_HEADER_SIZE];
    if (!readHeader(handle, &candidate->pciIo, header) || !isBmcDisplayHeader(header))
        return false;
    candidate->vendor = header16(header, PCI_VENDOR);
    candidate->device = header16(header, PCI_DEVICE);
    if (!vendorListed(vendors, candidate->vendor) ||
        !readWindowBase(candidate->pciIo, &candidate->barBase) ||
        !windowFits(candidate->pciIo, candidate->barBase, &candidate->barLength))
        return false;
    if (platformPciLocation(candidate->pciIo, &candidate->location) != EFI_SUCCESS)
        candidate->location = PlatformPciLocation{0xFFFF, 0xFF, 0xFF, 0xFF};
    return true;
}

}  // namespace

bool searchWindowCandidates(const uint32_t* vendors, WindowSearch* search) {
    search->count = 0;
    size_t count = 0;
    PlatformHandle* handles = nullptr;
    if (platformLocatePciIoHandles(&count, &handles) != EFI_SUCCESS) {
        puts("Error: Try to find handles with Pci Io protocol");
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        WindowCandidate candidate = {};
        if (!readCandidate(handles[i], vendors, &candidate))
            continue;
        if (search->count < WINDOW_CANDIDATES_SHOWN)
            search->candidates[search->count] = candidate;
        search->count++;
    }
    return true;
}

void formatCandidate(const WindowCandidate& candidate, char* text, size_t size) {
    const PlatformPciLocation& at = candidate.location;
    snprintf(text, size, "%04x:%02x:%02x.%x %04x:%04x", at.segment, at.bus, at.device, at.function,
             candidate.vendor, candidate.device);
}
