// The allocator: firmware pool memory with a header that remembers each
// block's size, which AllocatePool cannot report and realloc needs.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "platform/uefi/firmware.h"

namespace {

// 16 bytes keep the payload as aligned as the pool itself.
struct alignas(16) BlockHeader {
    size_t size;
};

BlockHeader* headerOf(void* block) {
    return static_cast<BlockHeader*>(block) - 1;
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
    if (size > SIZE_MAX - sizeof(BlockHeader) || firmware.system == nullptr)
        return nullptr;
    void* pool = nullptr;
    EFI_STATUS status =
        bootServices()->AllocatePool(EfiLoaderData, sizeof(BlockHeader) + size, &pool);
    if (EFI_ERROR(status) || pool == nullptr)
        return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(pool);
    header->size = size;
    return header + 1;
}

void free(void* block) {
    if (block != nullptr)
        bootServices()->FreePool(headerOf(block));
}

void* calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size)
        return nullptr;
    void* block = malloc(count * size);
    if (block != nullptr)
        memset(block, 0, count * size);
    return block;
}

void* realloc(void* block, size_t size) {
    if (block == nullptr)
        return malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    size_t oldSize = headerOf(block)->size;
    if (size <= oldSize) {
        headerOf(block)->size = size;
        return block;
    }
    void* grown = malloc(size);
    if (grown == nullptr)
        return nullptr;
    memcpy(grown, block, oldSize);
    free(block);
    return grown;
}

}  // extern "C"
