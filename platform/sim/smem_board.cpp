#include "platform/sim/smem_board.h"

#include "platform/sim/sim_faults.h"

namespace sim {

// Out of line: inlined list initialisers trip a false may-be-uninitialised warning.
SmemScript::SmemScript() : startStatuses{6}, progressStatuses{35, 70, 100} {}

SmemBmc& smemBmc() {
    static SmemBmc instance;
    return instance;
}

SmemBmc& installSmemBmc(const SmemScript& script) {
    SmemBmc& bmc = smemBmc();
    bmc.install(script);
    attachMemoryDevice(&bmc.window());
    return bmc;
}

namespace {

// A 64-bit prefetchable memory BAR: type bits 10b (0x4), prefetchable (0x8),
// the upper half of the base in the next register.
void placeWindowAbove4G(std::vector<PciFunction>& bus) {
    for (PciFunction& function : bus) {
        if (function.config[0x0B] != 0x03)
            continue;
        uint64_t base = WINDOW_ABOVE_4G;
        for (int i = 0; i < 4; ++i) {
            function.config[0x14 + i] = static_cast<uint8_t>((base | 0xC) >> (8 * i));
            function.config[0x18 + i] = static_cast<uint8_t>(base >> (32 + 8 * i));
        }
    }
}

void applyFaults(const SimFaults& faults, SmemScript& script) {
    if (faults.bar64)
        script.windowBase = WINDOW_ABOVE_4G;
    if (faults.smemAddress)
        script.sharedMemoryAddress = *faults.smemAddress;
    if (faults.smemCompletionCode)
        script.addressCompletionCode = *faults.smemCompletionCode;
    script.windowFaults.unclaimed = faults.windowUnclaimed;
    script.windowFaults.stuckBase = faults.windowStuckBase;
    if (faults.doorbellCompletionCode)
        script.doorbellCompletionCode = *faults.doorbellCompletionCode;
    if (faults.windowReadMask)
        script.windowFaults.dataReadMask = *faults.windowReadMask;
    script.windowGoneAtDoorbell = faults.windowGoneAtDoorbell;
}

}  // namespace

// The example address 0x9E000000, the display function third on a bus of
// four, its window register prefetchable (flag bits set) at 0xF8000000, and a
// BMC that takes each doorbell 30 ms after it rang; SIM_FAULTS changes any
// of it.
void installDefaultSmemBoard() {
    SmemScript script;
    const SimFaults& faults = simFaults();
    applyFaults(faults, script);
    installSmemBmc(script);
    std::vector<PciFunction> bus = defaultPciBus(0xF8000000u | 0x8);
    if (faults.bar64)
        placeWindowAbove4G(bus);
    if (faults.twoDisplays)
        bus.push_back(addInGraphicsCard());
    setPciFunctions(bus);
}

}  // namespace sim
