// The shared-memory channel: the BMC's PCI window pointed at its shared memory,
// with one transfer operation bound to it.
#pragma once

#include <stdint.h>

#define SMEM_OP_FIRMWARE_UPDATE 7
#define SMEM_OP_FILE_UPLOAD 0x22

struct BmcWindow {
    uint64_t barBase;
    void (*selectBase)(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer);
};

struct SmemChannel {
    BmcWindow* window;
    uint64_t windowPointer;  // physical address of the 64 KB data window
    int32_t (*operation)(SmemChannel* channel, const char* path);
};

extern uint32_t smemBase;
extern uint32_t smemDataBase;

// A new channel, or null when the BMC gave no address or no window was found.
SmemChannel* openSmemChannel(uint8_t kind);
// Releases the channel and its window record; null is ignored.
void closeSmemChannel(SmemChannel* channel);

// A new window on the first matching function, enabled; null when the handle
// search fails, nothing matches or the record cannot be allocated.
BmcWindow* findBmcWindow();

// Points the window at the 64 KB of BMC memory from `remoteAddress` and stores
// the data window's physical address in *windowPointer.
void selectBase(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer);
