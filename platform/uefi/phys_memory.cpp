// Physical memory through the firmware's identity mapping. Volatile accesses
// keep each register access a single load or store of its own width.
#include "platform/platform.h"

namespace {

template <typename Value>
volatile Value* at(uint64_t address) {
    return reinterpret_cast<volatile Value*>(static_cast<uintptr_t>(address));
}

}  // namespace

uint8_t platformPhysRead8(uint64_t address) {
    return *at<uint8_t>(address);
}

uint32_t platformPhysRead32(uint64_t address) {
    return *at<uint32_t>(address);
}

void platformPhysWrite8(uint64_t address, uint8_t value) {
    *at<uint8_t>(address) = value;
}

void platformPhysWrite32(uint64_t address, uint32_t value) {
    *at<uint32_t>(address) = value;
}

void platformPhysZero(uint64_t address, size_t length) {
    volatile uint8_t* bytes = at<uint8_t>(address);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = 0;
}

void* platformPhysPointer(uint64_t address, size_t length) {
    if (address == 0 || address + length < address)
        return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}
