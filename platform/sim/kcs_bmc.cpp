#include "platform/sim/sim_board.h"

namespace sim {

// The register-level KCS BMC is not in this build yet: the ports float.
void installDefaultKcsBmc() {}

}  // namespace sim
