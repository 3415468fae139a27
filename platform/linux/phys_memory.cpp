// Device memory behind the BMC window: the one region the window search
// claimed (platformPciClaimWindow maps its function's own resourceN). An
// access anywhere else reaches nothing: reads give all ones, as from a bus
// nothing decodes, and writes are lost, so that the channel's read-backs
// refuse the window rather than the program writing where no one asked.
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace {

struct Mapping {
    uint64_t start;
    uint64_t size;
    volatile uint8_t* base;
};

Mapping window = {0, 0, nullptr};

volatile uint8_t* mapped(uint64_t address, size_t length) {
    if (window.base == nullptr || address < window.start || length > window.size ||
        address - window.start > window.size - length)
        return nullptr;
    return window.base + (address - window.start);
}

template <typename Value>
volatile Value* at(uint64_t address) {
    return reinterpret_cast<volatile Value*>(mapped(address, sizeof(Value)));
}

}  // namespace

void linuxSetWindowMapping(uint64_t start, uint64_t size, volatile uint8_t* base) {
    window = Mapping{start, size, base};
}

uint8_t platformPhysRead8(uint64_t address) {
    volatile uint8_t* byte = at<uint8_t>(address);
    return byte ? *byte : 0xFF;
}

uint32_t platformPhysRead32(uint64_t address) {
    volatile uint32_t* word = at<uint32_t>(address);
    return word ? *word : 0xFFFFFFFFu;
}

void platformPhysWrite8(uint64_t address, uint8_t value) {
    if (volatile uint8_t* byte = at<uint8_t>(address))
        *byte = value;
}

void platformPhysWrite32(uint64_t address, uint32_t value) {
    if (volatile uint32_t* word = at<uint32_t>(address))
        *word = value;
}

void platformPhysZero(uint64_t address, size_t length) {
    volatile uint8_t* bytes = mapped(address, length);
    if (bytes == nullptr)
        return;
    for (size_t i = 0; i < length; ++i)
        bytes[i] = 0;
}

void* platformPhysPointer(uint64_t address, size_t length) {
    return const_cast<uint8_t*>(mapped(address, length));
}
