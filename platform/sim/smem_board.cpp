#include "platform/sim/sim_board.h"

namespace sim {

// No display function and no BMC memory on the board yet.
void installDefaultSmemBoard() {}

}  // namespace sim
