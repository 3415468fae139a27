// The seam implemented on the simulated board.
#include <cstring>
#include <ctime>
#include <map>

#include "platform/platform.h"
#include "platform/sim/bmc_messages.h"
#include "platform/sim/sim_board.h"
#include "platform/sim/sim_faults.h"

namespace sim {
namespace {

struct Board {
    uint64_t now = 0;
    uint64_t stalls = 0;
    uint64_t stalled = 0;
    std::vector<TimeListener> timeListeners;
    bool wallClockSet = false;
    int64_t wallClock = 0;
    bool wallClockUnreadable = false;
    PortDevice* portDevice = nullptr;
    std::map<uint16_t, uint64_t> portReads;
    std::map<uint16_t, uint64_t> portWrites;
    std::vector<PciFunction> pci;
    std::vector<PlatformHandle> handles;
    bool locateFails = false;
    std::vector<MemoryDevice*> memory;
    uint64_t strays = 0;
    std::vector<ClaimedWindow> claimed;
};

Board& board() {
    static Board instance;
    return instance;
}

MemoryDevice* deviceFor(uint64_t address, size_t length) {
    for (MemoryDevice* device : board().memory) {
        if (device->claims(address, length))
            return device;
    }
    board().strays++;
    return nullptr;
}

}  // namespace

uint64_t nowMicros() {
    return board().now;
}
uint64_t stallCount() {
    return board().stalls;
}
uint64_t stalledMicros() {
    return board().stalled;
}
void addTimeListener(TimeListener listener) {
    board().timeListeners.push_back(std::move(listener));
}

void setWallClock(int64_t secondsSince1970) {
    board().wallClockSet = true;
    board().wallClock = secondsSince1970;
}
void setWallClockUnreadable(bool unreadable) {
    board().wallClockUnreadable = unreadable;
}

void attachPortDevice(PortDevice* device) {
    board().portDevice = device;
}
uint64_t portReads(uint16_t port) {
    return board().portReads[port];
}
uint64_t portWrites(uint16_t port) {
    return board().portWrites[port];
}

void setPciFunctions(std::vector<PciFunction> functions) {
    board().pci = std::move(functions);
}
void setPciLocateFails(bool fails) {
    board().locateFails = fails;
}
std::vector<PciFunction>& pciFunctions() {
    return board().pci;
}

void attachMemoryDevice(MemoryDevice* device) {
    board().memory.push_back(device);
}
uint64_t strayMemoryAccesses() {
    return board().strays;
}
const std::vector<ClaimedWindow>& claimedWindows() {
    return board().claimed;
}

void resetBoard() {
    board() = Board{};
    bmc().clear();
    setSimFaults(SimFaults{});
}

void installDefaultBoard() {
    installDefaultKcsBmc();
    installDefaultSmemBoard();
    installDefaultFruBmc();
}

}  // namespace sim

using sim::board;

void platformStall(uint64_t microseconds) {
    board().now += microseconds;
    board().stalls++;
    board().stalled += microseconds;
    // Listeners may attach further listeners; iterate by index.
    for (size_t i = 0; i < board().timeListeners.size(); ++i)
        board().timeListeners[i](board().now);
}

int64_t platformTime() {
    if (board().wallClockUnreadable)
        return -1;
    if (!board().wallClockSet)
        sim::setWallClock(static_cast<int64_t>(::time(nullptr)));
    return board().wallClock + static_cast<int64_t>(board().now / 1000000);
}

// Port accesses take no virtual time: only pauses move the board's clock.
uint64_t platformMicros() {
    return board().now;
}

// The board's clock keeps UTC, and says so unless the rehearsal asks for a
// firmware that was never told its zone.
PlatformUtcTime platformUtcTime() {
    return {platformTime(), !sim::simFaults().clockZoneUnspecified};
}

int64_t platformMktime(struct tm* calendar) {
    return static_cast<int64_t>(timegm(calendar));
}

uint8_t platformPortRead8(uint16_t port) {
    board().portReads[port]++;
    return board().portDevice ? board().portDevice->read(port) : 0xFF;
}

void platformPortWrite8(uint16_t port, uint8_t value) {
    board().portWrites[port]++;
    if (board().portDevice)
        board().portDevice->write(port, value);
}

// The simulated board has no operating system: its KCS BMC sits on the ports.
bool platformIpmiDriverRequest(const uint8_t*, uint64_t, uint8_t*, uint64_t*, uint64_t,
                               EfiStatus*) {
    return false;
}

EfiStatus platformLocatePciIoHandles(size_t* count, PlatformHandle** handles) {
    if (board().locateFails || board().pci.empty())
        return EFI_NOT_FOUND;
    board().handles.clear();
    // A handle is the function's index plus one, so that none is null.
    for (size_t i = 0; i < board().pci.size(); ++i)
        board().handles.push_back(reinterpret_cast<PlatformHandle>(i + 1));
    *count = board().handles.size();
    *handles = board().handles.data();
    return EFI_SUCCESS;
}

EfiStatus platformOpenPciIo(PlatformHandle handle, PlatformPciIo** pciIo) {
    size_t index = reinterpret_cast<size_t>(handle) - 1;
    if (index >= board().pci.size() || board().pci[index].openFails)
        return EFI_DEVICE_ERROR;
    *pciIo = reinterpret_cast<PlatformPciIo*>(handle);
    return EFI_SUCCESS;
}

EfiStatus platformPciConfigRead(PlatformPciIo* pciIo, PlatformPciWidth width, uint32_t offset,
                                size_t count, void* buffer) {
    size_t index = reinterpret_cast<size_t>(pciIo) - 1;
    if (index >= board().pci.size())
        return EFI_INVALID_PARAMETER;
    const sim::PciFunction& function = board().pci[index];
    if (function.configReadFails)
        return EFI_DEVICE_ERROR;
    size_t itemSize = width == PLATFORM_PCI_WIDTH_UINT32 ? 4 : 1;
    if (offset + count * itemSize > function.config.size())
        return EFI_INVALID_PARAMETER;
    // Configuration space is little-endian, as is the host.
    memcpy(buffer, function.config.data() + offset, count * itemSize);
    return EFI_SUCCESS;
}

EfiStatus platformPciBarLength(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t* length) {
    size_t index = reinterpret_cast<size_t>(pciIo) - 1;
    if (index >= board().pci.size() || barOffset < 0x10 || barOffset > 0x24 || barOffset % 4 != 0)
        return EFI_INVALID_PARAMETER;
    *length = board().pci[index].barLengths[(barOffset - 0x10) / 4];
    return EFI_SUCCESS;
}

EfiStatus platformPciLocation(PlatformPciIo* pciIo, PlatformPciLocation* location) {
    size_t index = reinterpret_cast<size_t>(pciIo) - 1;
    if (index >= board().pci.size())
        return EFI_INVALID_PARAMETER;
    const sim::PciFunction& function = board().pci[index];
    if (function.placed)
        *location = {function.location[0], function.location[1], function.location[2],
                     function.location[3]};
    else
        *location = {0, 0, static_cast<uint32_t>(index), 0};
    return EFI_SUCCESS;
}

// The board has no operating system between the tool and its devices.
EfiStatus platformPciClaimWindow(PlatformPciIo* pciIo, uint32_t, uint64_t base, uint64_t) {
    size_t index = reinterpret_cast<size_t>(pciIo) - 1;
    if (index >= board().pci.size())
        return EFI_INVALID_PARAMETER;
    board().claimed.push_back({index, base});
    return EFI_SUCCESS;
}

EfiStatus platformClaimBmc(uint16_t) {
    return EFI_SUCCESS;
}

uint8_t platformPhysRead8(uint64_t address) {
    sim::MemoryDevice* device = sim::deviceFor(address, 1);
    return device ? static_cast<uint8_t>(device->read(address, 1)) : 0xFF;
}

uint32_t platformPhysRead32(uint64_t address) {
    sim::MemoryDevice* device = sim::deviceFor(address, 4);
    return device ? device->read(address, 4) : 0xFFFFFFFFu;
}

void platformPhysWrite8(uint64_t address, uint8_t value) {
    if (sim::MemoryDevice* device = sim::deviceFor(address, 1))
        device->write(address, 1, value);
}

void platformPhysWrite32(uint64_t address, uint32_t value) {
    if (sim::MemoryDevice* device = sim::deviceFor(address, 4))
        device->write(address, 4, value);
}

void* platformPhysPointer(uint64_t address, size_t length) {
    sim::MemoryDevice* device = sim::deviceFor(address, length);
    return device ? device->hostPointer(address, length) : nullptr;
}

void platformPhysZero(uint64_t address, size_t length) {
    if (uint8_t* bytes = static_cast<uint8_t*>(platformPhysPointer(address, length)))
        memset(bytes, 0, length);
}
