// Host entry: the program runs on the default simulated board. SIM_CLOCK
// (seconds since 1970) pins the board's wall clock, so that a rehearsal run
// can reproduce the bytes a board produced at a known time; SIM_FAULTS makes
// the board misbehave in the named ways.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/sim/sim_board.h"
#include "platform/sim/sim_faults.h"

namespace {

// A rehearsal asking for a fault the board cannot play must not run on the
// plain board and pass: the name is refused before anything runs.
constexpr int FAULTS_NOT_UNDERSTOOD = 125;

}  // namespace

int main(int argc, char** argv) {
    if (const char* clock = getenv("SIM_CLOCK"))
        sim::setWallClock(strtoll(clock, nullptr, 10));
    if (const char* faultList = getenv("SIM_FAULTS")) {
        sim::SimFaults faults;
        std::string error;
        if (!sim::parseSimFaults(faultList, &faults, &error)) {
            fprintf(stderr, "Error! SIM_FAULTS: %s\n", error.c_str());
            return FAULTS_NOT_UNDERSTOOD;
        }
        sim::setSimFaults(faults);
    }
    sim::installDefaultBoard();
    return programMain(argc, argv);
}
