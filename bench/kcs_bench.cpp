// The cost of one KCS request on the simulated board, per transport policy:
// the port accesses and pauses it makes (exact counts, reported as counters
// per request) next to the fewest the IPMI KCS flow allows, and the host CPU
// time the transport itself takes. The board's BMC takes every byte at once,
// so the pauses counted are the ones a policy makes even when nothing waits.
//
//   kcs_bench --benchmark_counters_tabular=true
//
// Counters: status/dataRd/dataWr/command are port accesses, stalls the calls
// of Stall, stallMs the virtual milliseconds they pause; minAccess the fewest
// port accesses of the IPMI flow (see minimumAccesses), minStatus its status
// reads.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kcs/kcs.h"
#include "platform/sim/kcs_bmc.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace {

const uint8_t GET_DEVICE_ID[] = {0x18, 0x01};
const uint16_t DATA_PORT = 0x0CA2;
const uint16_t STATUS_PORT = 0x0CA3;

enum PolicyChoice { PELGRIN = 0, DORVAX_DELAY_15 = 1, DORVAX_DELAY_0 = 2 };

KcsPolicy policyFor(int64_t choice) {
    if (choice == PELGRIN)
        return PELGRIN_KCS_POLICY;
    KcsPolicy policy = DORVAX_KCS_POLICY;
    policy.pollIntervalUs = choice == DORVAX_DELAY_15 ? 15000 : 0;
    return policy;
}

const char* policyName(int64_t choice) {
    switch (choice) {
        case PELGRIN:
            return "pelgrin";
        case DORVAX_DELAY_15:
            return "dorvax delay 15 ms";
        default:
            return "dorvax delay 0";
    }
}

// A response of `size` bytes to Get Device ID: header 1C 01 00, then filler.
void answerWith(size_t size) {
    sim::bmc().registerHandler(0x06, 0x01, [size](const sim::Bytes&) {
        sim::Bytes response(size);
        for (size_t i = 0; i < size; ++i)
            response[i] = static_cast<uint8_t>(i);
        response[0] = 0x1C;
        response[1] = 0x01;
        response[2] = 0x00;
        return response;
    });
}

// The fewest accesses of the IPMI KCS write and read flows for a request of
// n bytes and a response of m bytes, with a BMC that is always ready:
//   command writes: WRITE_START and WRITE_END (2);
//   data writes: the n request bytes and one READ per response byte (n + m);
//   data reads: the m response bytes and the closing dummy byte (m + 1),
//     plus the flow's "clear OBF" before WRITE_START and after each of the
//     n + 1 WRITE_STATE checks (n + 2);
//   status reads: one before WRITE_START, one per WRITE_STATE check (n + 1)
//     and one per read-phase step (m + 1); a single status byte carries IBF,
//     OBF and the state, so a ready BMC needs no second read per step.
struct Minimum {
    uint64_t status, accesses;
};
Minimum minimumAccesses(uint64_t n, uint64_t m) {
    uint64_t status = 1 + (n + 1) + (m + 1);
    return {status, status + 2 + (n + m) + (m + 1) + (n + 2)};
}

void kcsRequestCost(benchmark::State& state) {
    const int64_t choice = state.range(0);
    const size_t responseSize = static_cast<size_t>(state.range(1));
    sim::resetBoard();
    sim::installDefaultKcsBmc();
    if (responseSize != 14)  // the default board's Get Device ID is 14 bytes
        answerWith(responseSize);
    kcsPolicy = policyFor(choice);
    state.SetLabel(policyName(choice));

    uint8_t response[KCS_MAX_RESPONSE];
    const uint64_t statusBefore = sim::portReads(STATUS_PORT);
    const uint64_t dataReadsBefore = sim::portReads(DATA_PORT);
    const uint64_t dataWritesBefore = sim::portWrites(DATA_PORT);
    const uint64_t commandsBefore = sim::portWrites(STATUS_PORT);
    const uint64_t stallsBefore = sim::stallCount();
    const uint64_t microsBefore = sim::stalledMicros();
    for (auto _ : state) {
        uint64_t length = sizeof GET_DEVICE_ID;
        if (kcsRequest(GET_DEVICE_ID, response, &length) != EFI_SUCCESS || length != responseSize) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(response);
    }
    const double requests = static_cast<double>(state.iterations());
    auto perRequest = [requests](uint64_t count) {
        return benchmark::Counter(static_cast<double>(count) / requests);
    };
    const uint64_t status = sim::portReads(STATUS_PORT) - statusBefore;
    const uint64_t dataReads = sim::portReads(DATA_PORT) - dataReadsBefore;
    const uint64_t dataWrites = sim::portWrites(DATA_PORT) - dataWritesBefore;
    const uint64_t commands = sim::portWrites(STATUS_PORT) - commandsBefore;
    state.counters["status"] = perRequest(status);
    state.counters["dataRd"] = perRequest(dataReads);
    state.counters["dataWr"] = perRequest(dataWrites);
    state.counters["command"] = perRequest(commands);
    state.counters["access"] = perRequest(status + dataReads + dataWrites + commands);
    state.counters["stalls"] = perRequest(sim::stallCount() - stallsBefore);
    state.counters["stallMs"] =
        benchmark::Counter((sim::stalledMicros() - microsBefore) / 1000.0 / requests);
    Minimum minimum = minimumAccesses(sizeof GET_DEVICE_ID, responseSize);
    state.counters["minStatus"] = static_cast<double>(minimum.status);
    state.counters["minAccess"] = static_cast<double>(minimum.accesses);
    kcsPolicy = PELGRIN_KCS_POLICY;
}
BENCHMARK(kcsRequestCost)
    ->ArgNames({"policy", "responseBytes"})
    ->ArgsProduct({{PELGRIN, DORVAX_DELAY_15, DORVAX_DELAY_0}, {14, 255}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
