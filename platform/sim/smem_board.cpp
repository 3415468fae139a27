#include "platform/sim/smem_board.h"

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

// The example address 0x9E000000, the display function third on a bus of
// four, its window register prefetchable (flag bits set) at 0xF8000000, and a
// BMC that takes each doorbell 30 ms after it rang.
void installDefaultSmemBoard() {
    SmemScript script;
    installSmemBmc(script);
    setPciFunctions(defaultPciBus(static_cast<uint32_t>(script.windowBase) | 0x8));
}

}  // namespace sim
