// The simulated board behind the sim backend: a virtual clock, a settable wall
// clock, and the places where the KCS BMC, the PCI bus and BMC memory plug in.
// Host-only; tests drive and inspect it directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

// --- Clocks ------------------------------------------------------------------

// Microseconds of virtual time that platformStall has advanced; nothing sleeps.
uint64_t nowMicros();
uint64_t stallCount();
uint64_t stalledMicros();
// Called after every platformStall with the new virtual time; devices that act
// on their own (a BMC taking a doorbell later) hook in here.
using TimeListener = std::function<void(uint64_t nowMicros)>;
void addTimeListener(TimeListener listener);

// Seconds since 1970 that platformTime reports at virtual time 0; it then runs
// with the virtual clock. Unset, the board starts from the host's real clock.
void setWallClock(int64_t secondsSince1970);
void setWallClockUnreadable(bool unreadable);

// --- Port I/O ---------------------------------------------------------------------

class PortDevice {
  public:
    virtual ~PortDevice() = default;
    virtual uint8_t read(uint16_t port) = 0;
    virtual void write(uint16_t port, uint8_t value) = 0;
};
// Not owned. Null (the default) is a floating bus: every read gives 0xFF.
void attachPortDevice(PortDevice* device);
uint64_t portReads(uint16_t port);
uint64_t portWrites(uint16_t port);

// --- PCI ---------------------------------------------------------------------------

// A BAR's decoded length unless a test sets another: room for any window.
constexpr uint64_t SIM_DEFAULT_BAR_LENGTH = 0x1000000;

struct PciFunction {
    std::array<uint8_t, 256> config{};
    // Lengths of the regions BARs 0-5 (offsets 0x10-0x24) decode.
    std::array<uint64_t, 6> barLengths{SIM_DEFAULT_BAR_LENGTH, SIM_DEFAULT_BAR_LENGTH,
                                       SIM_DEFAULT_BAR_LENGTH, SIM_DEFAULT_BAR_LENGTH,
                                       SIM_DEFAULT_BAR_LENGTH, SIM_DEFAULT_BAR_LENGTH};
    bool openFails = false;
    bool configReadFails = false;
    // Segment, bus, device, function; unset, the function is device N of
    // bus 0 where N is its place in the list.
    bool placed = false;
    std::array<uint32_t, 4> location{};
};
void setPciFunctions(std::vector<PciFunction> functions);
void setPciLocateFails(bool fails);
std::vector<PciFunction>& pciFunctions();

// --- Physical memory -------------------------------------------------------------

class MemoryDevice {
  public:
    virtual ~MemoryDevice() = default;
    virtual bool claims(uint64_t address, size_t length) const = 0;
    virtual uint32_t read(uint64_t address, unsigned width) = 0;
    virtual void write(uint64_t address, unsigned width, uint32_t value) = 0;
    // Host storage for plain loads and stores, or null where the range is
    // registers rather than memory.
    virtual uint8_t* hostPointer(uint64_t address, size_t length) = 0;
};
// Not owned; several may be attached.
void attachMemoryDevice(MemoryDevice* device);
// Accesses that no device claimed: a tool touching memory nobody offered.
uint64_t strayMemoryAccesses();
// BAR regions the tool asked to reach (platformPciClaimWindow), in order:
// the function's index in the list and the region's base.
struct ClaimedWindow {
    size_t function;
    uint64_t base;
};
const std::vector<ClaimedWindow>& claimedWindows();

// --- The whole board ----------------------------------------------------------------

// Back to an empty board: floating bus, no PCI functions, no memory devices,
// virtual time 0, all counters 0, wall clock unset, no SIM_FAULTS.
void resetBoard();

// The board the host programs run on: a BMC behind the KCS ports, its display
// function on the PCI bus and its memory, its FRU device. Filled in by
// kcs_bmc.cpp, smem_board.cpp and fru_bmc.cpp.
void installDefaultBoard();
void installDefaultKcsBmc();
void installDefaultSmemBoard();
// FRU device 0, following the shared-memory BMC: after it.
void installDefaultFruBmc();

}  // namespace sim
