// The display functions that could hold the BMC's shared-memory window: a
// display function (class 03, subclass 00, interface 00) decoding I/O and
// memory, whose memory BAR at 0x14, read whole when it is 64-bit, holds the
// whole window. A board with an add-in graphics card has two; the build's
// vendor list tells the BMC's apart.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/bmc_pci_vendors.h"
#include "platform/platform.h"

struct WindowCandidate {
    PlatformPciIo* pciIo;
    PlatformPciLocation location;
    uint16_t vendor;
    uint16_t device;
    uint64_t barBase;
    uint64_t barLength;
};

// More would not fit one line; a board with more display functions than
// this is refused as ambiguous all the same.
constexpr size_t WINDOW_CANDIDATES_SHOWN = 8;

struct WindowSearch {
    size_t count;  // all candidates, shown or not
    WindowCandidate candidates[WINDOW_CANDIDATES_SHOWN];
};

// Fills `search` with the candidates of a vendor in `vendors` (ended by
// BMC_PCI_VENDOR_END; an empty list takes any vendor). False, after the
// firmware's line, when the PCI handles cannot be listed.
bool searchWindowCandidates(const uint32_t* vendors, WindowSearch* search);

// "0000:17:00.0 10de:1eb8": where a line finds the function, and what it is.
void formatCandidate(const WindowCandidate& candidate, char* text, size_t size);
