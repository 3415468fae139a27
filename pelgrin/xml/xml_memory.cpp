#include "pelgrin/xml/xml_memory.h"

#include <stdlib.h>

namespace {

size_t liveBlocks = 0;
long allocationsBeforeFailure = -1;

bool injectedFailure() {
    if (allocationsBeforeFailure < 0)
        return false;
    return allocationsBeforeFailure-- == 0;
}

}  // namespace

void* xmlAllocate(size_t size) {
    if (injectedFailure())
        return nullptr;
    void* block = malloc(size);
    if (block != nullptr)
        liveBlocks++;
    return block;
}

void* xmlReallocate(void* block, size_t size) {
    if (block == nullptr)
        return xmlAllocate(size);
    if (injectedFailure())
        return nullptr;
    return realloc(block, size);
}

void xmlRelease(void* block) {
    if (block == nullptr)
        return;
    liveBlocks--;
    free(block);
}

size_t xmlLiveBlocks() {
    return liveBlocks;
}

void xmlFailAllocationAfter(long allocations) {
    allocationsBeforeFailure = allocations;
}
