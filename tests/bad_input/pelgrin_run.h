// Whole pelgrin runs on the default simulated board, in a scratch directory
// that already holds the outputs of an earlier unit: what a failing run
// removes, replaces or leaves shows file by file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace badinput {

// Every run reads this wall clock, so that two runs on the same description
// build the same image.
constexpr int64_t BOARD_CLOCK = 1765000000;

struct PelgrinOutcome {
    int status;
    std::string output;  // everything printed after the banner
};

// What filesLeft() shows when a run changed no file.
inline const char EARLIER_OUTPUTS_UNTOUCHED[] =
    "SKU.BIN(earlier) mysku.xml(earlier) mysku.xml.gz(earlier)";

class PelgrinRun : public testing::Test {
  protected:
    void SetUp() override;

    // The default board again, and the earlier unit's outputs back in place
    // (SKU.xml is left alone).
    static void freshBoard();
    static void leaveEarlierOutputs();

    // pelgrin with `words`; fails the test when an XML block outlives the run.
    static PelgrinOutcome run(std::vector<std::string> words);

    // "SKU.BIN mysku.xml mysku.xml.gz" for the files present, each marked
    // "(earlier)" when it still holds the earlier unit's bytes.
    static std::string filesLeft();

    testsupport::ScratchDir scratch;
};

// A description of about `size` bytes: the example with a block of text that
// does not compress in an element pelgrin does not read.
std::string descriptionWithNoise(size_t size);

// The part of `output` from `marker` on; empty when `marker` is not there.
std::string from(const std::string& output, const std::string& marker);

}  // namespace badinput
