// processSku on the example description, and whole pelgrin runs with DSBSHM
// (in this process, and as a program started the way an operator starts it).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "bench/bench_workdir.h"
#include "kcs/kcs.h"
#include "pelgrin/frontend/pelgrin_main.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/process_sku.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

extern char** environ;

namespace {

const int64_t NOV_30_2026 = 1796000000;

char* word(const char* text) {
    return const_cast<char*>(text);
}

// The outputs are opened for appending; each run starts from none, as the
// front end arranges it.
void removeOutputs() {
    unlink("mysku.xml");
    unlink("mysku.xml.gz");
    unlink("SKU.BIN");
}

void processSkuOnExample(benchmark::State& state) {
    bench::WorkDir dir;
    sim::resetBoard();
    sim::setWallClock(NOV_30_2026);
    std::vector<uint8_t> imageBuffer(SKU_IMAGE_MAX);
    bench::QuietStdout quiet;
    for (auto _ : state) {
        removeOutputs();
        SkuContext context;
        memset(&context, 0, sizeof context);
        context.chassisSerialNumber = "CSN-0001";
        context.mainMac = "001122334455";
        memset(imageBuffer.data(), 0, imageBuffer.size());
        if (processSku(&context, imageBuffer.data()) != 0)
            state.SkipWithError("processSku failed");
        free(context.skuGz);
    }
}
BENCHMARK(processSkuOnExample)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

void pelgrinDsbshmInProcess(benchmark::State& state) {
    bench::WorkDir dir;
    sim::resetBoard();
    sim::setWallClock(NOV_30_2026);
    sim::installDefaultBoard();
    bench::QuietStdout quiet;
    for (auto _ : state) {
        char* argv[] = {word("pelgrin"),      word("MainMAC=001122334455"),
                        word("CSN=CSN-0001"), word("BSN=BSN-0001"),
                        word("DSBSHM"),       nullptr};
        if (pelgrinMain(5, argv) != 0)
            state.SkipWithError("pelgrin run failed");
    }
}
BENCHMARK(pelgrinDsbshmInProcess)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

double cpuMicros(const rusage& usage) {
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

// The program's own processor time is reported beside the wall time, which
// on a shared machine mostly measures the wait for a core.
void pelgrinDsbshmProgram(benchmark::State& state) {
    bench::WorkDir dir;
    bench::QuietStdout quiet;
    double childMicros = 0;
    for (auto _ : state) {
        char* argv[] = {word(PELGRIN_PROGRAM), word("MainMAC=001122334455"),
                        word("CSN=CSN-0001"),  word("BSN=BSN-0001"),
                        word("DSBSHM"),        nullptr};
        pid_t child = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&child, PELGRIN_PROGRAM, nullptr, nullptr, argv, environ) != 0 ||
            wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            state.SkipWithError("pelgrin program failed");
        childMicros += cpuMicros(usage);
    }
    state.counters["program_cpu_us"] =
        benchmark::Counter(childMicros, benchmark::Counter::kAvgIterations);
}
BENCHMARK(pelgrinDsbshmProgram)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
