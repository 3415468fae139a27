// The BMC's 64 KB memory window, found among the PCI functions as the display
// function with I/O and memory decoding on.
#pragma once

#include <stdint.h>

#include "pelgrin/channel/smem_channel.h"

// A new window on the first matching function, enabled; null when the handle
// search fails, nothing matches or the record cannot be allocated.
BmcWindow* findBmcWindow();

void enableBmcWindow(uint64_t barBase);

// Points the window at the 64 KB of BMC memory from `remoteAddress` and stores
// the data window's physical address in *windowPointer.
void selectBase(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer);
