#include "platform/sim/smem_window.h"

namespace sim {

void BmcWindowDevice::reset(uint64_t barBase, BmcMemory* memory) {
    *this = BmcWindowDevice{};
    barBase_ = barBase;
    memory_ = memory;
}

bool BmcWindowDevice::claims(uint64_t address, size_t length) const {
    return address >= barBase_ && address - barBase_ < WINDOW_SPAN &&
           length <= WINDOW_SPAN - (address - barBase_);
}

uint8_t* BmcWindowDevice::dataBytes(uint64_t address, size_t length) {
    uint64_t offset = address - barBase_;
    uint8_t* bytes = nullptr;
    if (enabled_ && offset >= WINDOW_DATA)
        bytes = memory_->at(static_cast<uint64_t>(base_) + (offset - WINDOW_DATA), length);
    if (bytes == nullptr)
        unbacked_++;
    return bytes;
}

uint32_t BmcWindowDevice::read(uint64_t address, unsigned width) {
    accesses_++;
    if (faults_.unclaimed)
        return 0xFFFFFFFFu;
    uint64_t offset = address - barBase_;
    if (offset == WINDOW_ENABLE)
        return enabled_ ? 1 : 0;
    if (offset == WINDOW_BASE)
        return base_;
    if (offset < WINDOW_DATA)
        return 0;
    const uint8_t* bytes = dataBytes(address, width);
    if (bytes == nullptr)
        return 0xFFFFFFFFu;
    uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return value & faults_.dataReadMask;
}

void BmcWindowDevice::writeRegister(uint64_t offset, uint32_t value) {
    if (offset == WINDOW_ENABLE) {
        enableWrites_++;
        enabled_ = (value & 1) != 0;
    } else if (offset == WINDOW_BASE) {
        baseWrites_++;
        if (!faults_.stuckBase)
            base_ = value;
    }
}

void BmcWindowDevice::write(uint64_t address, unsigned width, uint32_t value) {
    accesses_++;
    if (faults_.unclaimed)
        return;
    uint64_t offset = address - barBase_;
    if (offset < WINDOW_DATA) {
        writeRegister(offset, value);
        return;
    }
    if (uint8_t* bytes = dataBytes(address, width)) {
        for (unsigned i = 0; i < width; ++i)
            bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint8_t* BmcWindowDevice::hostPointer(uint64_t address, size_t length) {
    accesses_++;
    if (faults_.unclaimed || address - barBase_ < WINDOW_DATA)
        return nullptr;  // registers, not memory
    return dataBytes(address, length);
}

}  // namespace sim
