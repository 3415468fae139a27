// The duplicate check against a long units.log: 10,000 and 100,000 passed
// records, each with all five identity values, none of them this unit's (the
// check reads the whole log).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_workdir.h"
#include "pelgrin/record/identity_check.h"

namespace {

std::string recordLine(long unit) {
    char line[1024];
    snprintf(line, sizeof line,
             "{\"time\":\"2026-12-01T08:00:00Z\",\"time_zone\":\"UTC\",\"tool\":\"pelgrin\","
             "\"version\":\"0.22\",\"status\":0,\"values\":{\"MainMAC\":\"02%010lX\","
             "\"ShareMAC\":\"06%010lX\",\"CSN\":\"CH4W26%08ld\",\"BSN\":\"BQ4W26%08ld\","
             "\"PSN\":\"SR4W26%08ld\"},\"Board ID\":\"TN4MB-0420\",\"SKU.xml\":{\"sha256\":"
             "\"2623faa3281d2f9c02079c6d584d7f4f413784b7c91a89559c16031f9a8c7b27\",\"size\":1885},"
             "\"SKU.BIN\":{\"sha256\":"
             "\"43bd07b00eed4aefcfd09c845b1b6911d621d97f6644a4b6949f8c99b00b1520\",\"size\":1664},"
             "\"sent\":true,\"verification\":\"match\",\"error\":null,\"refused_scans\":0,"
             "\"rework\":false,\"stick\":\"C34C50D938C85D43\"}\n",
             unit, unit, unit, unit, unit);
    return line;
}

void writeLog(long records) {
    FILE* file = fopen("units.log", "wb");
    for (long unit = 0; unit < records; ++unit)
        fputs(recordLine(unit).c_str(), file);
    fclose(file);
}

void identityCheckOverLog(benchmark::State& state) {
    bench::WorkDir dir;
    writeLog(state.range(0));
    SkuContext context;
    memset(&context, 0, sizeof context);
    context.mainMac = "0AFFFFFFFFFF";
    context.shareMac = "0EFFFFFFFFFF";
    context.boardSerialNumber = "BQ4W26-NEW";
    context.productSerialNumber = "SR4W26-NEW";
    context.chassisSerialNumber = "CH4W26-NEW";
    for (auto _ : state) {
        IdentityConflict conflict;
        if (checkIdentityAgainstLog("units.log", context, &conflict) != IDENTITY_NEW)
            state.SkipWithError("a unit of the generated log matched");
    }
    state.counters["records"] = static_cast<double>(state.range(0));
}
BENCHMARK(identityCheckOverLog)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
