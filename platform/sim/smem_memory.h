// The BMC's own memory, as the BMC addresses it: one contiguous region that
// holds the shared-memory control and data areas. The host storage appears
// on first access: most host runs (every DSBSHM run) never look at it, and
// filling a megabyte at start-up was a third of such a run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sim/bmc_messages.h"

namespace sim {

// What a freshly booted BMC leaves in memory that nobody cleared.
constexpr uint8_t BMC_MEMORY_FILL = 0xA5;

class BmcMemory {
  public:
    void reset(uint32_t base, size_t size);
    uint32_t base() const { return base_; }
    size_t size() const { return size_; }
    // Host storage for [address, address + length), or null when the range
    // is not all BMC memory.
    uint8_t* at(uint64_t address, size_t length);
    const uint8_t* at(uint64_t address, size_t length) const;
    // Little-endian words; 0xFFFFFFFF outside memory.
    uint32_t word(uint64_t address) const;
    void setWord(uint64_t address, uint32_t value);
    Bytes copy(uint64_t address, size_t length) const;

  private:
    const uint8_t* storage() const;

    uint32_t base_ = 0;
    size_t size_ = 0;
    mutable Bytes bytes_;  // empty until the first access
};

}  // namespace sim
