// Every block of the XML tree, its printer and expat's own comes through
// here, so that a failed load can be shown to leave nothing behind.
#pragma once

#include <stddef.h>

void* xmlAllocate(size_t size);
void* xmlReallocate(void* block, size_t size);
void xmlRelease(void* block);

// Blocks currently held.
size_t xmlLiveBlocks();
// Makes the allocation after the next `allocations` ones fail, once; -1 turns
// this off. For tests of the out-of-memory paths.
void xmlFailAllocationAfter(long allocations);
