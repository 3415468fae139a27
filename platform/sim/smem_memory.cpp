#include "platform/sim/smem_memory.h"

#include <cstring>

namespace sim {

void BmcMemory::reset(uint32_t base, size_t size) {
    base_ = base;
    size_ = size;
    Bytes().swap(bytes_);
}

const uint8_t* BmcMemory::storage() const {
    if (bytes_.size() != size_)
        bytes_.assign(size_, BMC_MEMORY_FILL);
    return bytes_.data();
}

uint8_t* BmcMemory::at(uint64_t address, size_t length) {
    return const_cast<uint8_t*>(static_cast<const BmcMemory*>(this)->at(address, length));
}

const uint8_t* BmcMemory::at(uint64_t address, size_t length) const {
    if (address < base_ || address - base_ > size_ || length > size_ - (address - base_))
        return nullptr;
    return storage() + (address - base_);
}

uint32_t BmcMemory::word(uint64_t address) const {
    const uint8_t* bytes = at(address, 4);
    if (bytes == nullptr)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void BmcMemory::setWord(uint64_t address, uint32_t value) {
    if (uint8_t* bytes = at(address, 4)) {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

Bytes BmcMemory::copy(uint64_t address, size_t length) const {
    const uint8_t* bytes = at(address, length);
    return bytes ? Bytes(bytes, bytes + length) : Bytes{};
}

}  // namespace sim
