// Runs the raw request tool on the simulated board with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dorvax/dorvax.h"
#include "kcs/kcs.h"
#include "platform/sim/kcs_bmc.h"
#include "tests/support/scratch_dir.h"

// The line that follows an input error, and an error code for a request
// whose first byte has LUN bits set.
#define BYTE_HINT \
    "Hint: two hex digits per byte, no 0x; first byte = NetFn*4 + LUN (dorvax 18 01)\n"

struct DorvaxRun {
    int result;
    std::string output;
};

class DorvaxBoard : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::resetBoard();
        sim::installDefaultKcsBmc();
        kcsPolicy = DORVAX_KCS_POLICY;
    }
    static DorvaxRun run(std::vector<std::string> words) {
        words.insert(words.begin(), "dorvax");
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        DorvaxRun outcome{};
        outcome.output = testsupport::captureStdout(
            [&] { outcome.result = dorvaxMain(static_cast<int>(words.size()), argv.data()); });
        return outcome;
    }
    static const std::vector<sim::Bytes>& received() { return sim::bmc().received(); }
    // Answers Get Device ID with exactly these bytes.
    static void answer(const sim::Bytes& response) {
        sim::bmc().registerHandler(0x06, 0x01, [response](const sim::Bytes&) { return response; });
    }
};
