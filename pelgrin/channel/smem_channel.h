// The shared-memory channel: the BMC's PCI window pointed at its shared memory,
// with one transfer operation bound to it.
#pragma once

#include <stdint.h>

#define SMEM_OP_FIRMWARE_UPDATE 7
#define SMEM_OP_FILE_UPLOAD 0x22

struct BmcWindow {
    uint64_t barBase;
    // False, after an "Error!" line, when the base register does not read
    // back as written: the window shows something else than was asked for.
    bool (*selectBase)(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer);
};

struct SmemChannel {
    BmcWindow* window;
    uint64_t windowPointer;  // physical address of the 64 KB data window
    int32_t (*operation)(SmemChannel* channel, const char* path);
};

extern uint32_t smemBase;
extern uint32_t smemDataBase;

// A new channel, or null with *failure set: RUN_NO_CHANNEL when the BMC gave
// no usable address, no single window was found or it did not answer,
// RUN_HARDWARE_REFUSED when the operating system keeps the window from us.
SmemChannel* openSmemChannel(uint8_t kind, int32_t* failure);
// Releases the channel and its window record; null is ignored.
void closeSmemChannel(SmemChannel* channel);

enum WindowFound {
    WINDOW_FOUND,
    WINDOW_NONE,       // no display function holds the window
    WINDOW_AMBIGUOUS,  // more than one could (one line names them all)
    WINDOW_REFUSED,    // the platform keeps the window from us (its line)
};

// The one window among the display functions of a vendor in `vendors` (see
// bmc_window_search.h), enabled, in *window when WINDOW_FOUND.
WindowFound findBmcWindow(const uint32_t* vendors, BmcWindow** window);

// Points the window at the 64 KB of BMC memory from `remoteAddress`, reads
// the base register back and stores the data window's physical address in
// *windowPointer.
bool selectBase(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer);

// The BMC's shared-memory address can carry the channel: not 0, 64 KiB
// aligned, and its control and data areas below 4 GiB without wrapping.
// Otherwise prints one "Error!" line naming the address and the reason.
bool smemAddressUsable(uint32_t address);
