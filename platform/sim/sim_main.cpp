// Host entry: the program runs on the default simulated board. SIM_CLOCK
// (seconds since 1970) pins the board's wall clock, so that a rehearsal run
// can reproduce the bytes a board produced at a known time.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/sim/sim_board.h"

int main(int argc, char** argv) {
    if (const char* clock = getenv("SIM_CLOCK"))
        sim::setWallClock(strtoll(clock, nullptr, 10));
    sim::installDefaultBoard();
    return programMain(argc, argv);
}
