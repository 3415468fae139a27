// The BMC display function's memory window as the host sees it at its PCI
// base: an enable register, a base register and a 64 KB data window that
// shows BMC memory from the base register on. The data window is a view of
// BmcMemory, not a copy, so moving the base never leaves stale bytes.
#pragma once

#include <cstdint>

#include "platform/sim/sim_board.h"
#include "platform/sim/smem_memory.h"

namespace sim {

constexpr uint64_t WINDOW_SPAN = 0x20000;
constexpr uint64_t WINDOW_ENABLE = 0xF000;
constexpr uint64_t WINDOW_BASE = 0xF004;
constexpr uint64_t WINDOW_DATA = 0x10000;
constexpr uint64_t WINDOW_DATA_SIZE = 0x10000;

// Ways a window fails its host: nothing behind it (reads all ones, writes
// lost), a base register that keeps its value, data bits that read back
// cleared (a bus fault: only the bits of `dataReadMask` come back).
struct WindowFaults {
    bool unclaimed = false;
    bool stuckBase = false;
    uint32_t dataReadMask = 0xFFFFFFFFu;
};

class BmcWindowDevice : public MemoryDevice {
  public:
    void reset(uint64_t barBase, BmcMemory* memory);
    void setFaults(const WindowFaults& faults) { faults_ = faults; }

    bool claims(uint64_t address, size_t length) const override;
    uint32_t read(uint64_t address, unsigned width) override;
    void write(uint64_t address, unsigned width, uint32_t value) override;
    uint8_t* hostPointer(uint64_t address, size_t length) override;

    uint64_t barBase() const { return barBase_; }
    bool enabled() const { return enabled_; }
    uint32_t baseRegister() const { return base_; }
    // Every access through the host bus, registers and data alike.
    uint64_t accesses() const { return accesses_; }
    uint64_t enableWrites() const { return enableWrites_; }
    uint64_t baseWrites() const { return baseWrites_; }
    // Data-window accesses that reached no BMC memory (window disabled, or
    // the base register pointing outside memory).
    uint64_t unbackedAccesses() const { return unbacked_; }

  private:
    uint8_t* dataBytes(uint64_t address, size_t length);
    void writeRegister(uint64_t offset, uint32_t value);

    uint64_t barBase_ = 0;
    BmcMemory* memory_ = nullptr;
    bool enabled_ = false;
    uint32_t base_ = 0;
    uint64_t accesses_ = 0;
    uint64_t enableWrites_ = 0;
    uint64_t baseWrites_ = 0;
    uint64_t unbacked_ = 0;
    WindowFaults faults_;
};

}  // namespace sim
