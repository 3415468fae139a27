// Compares the FRU image a run built with the one a BMC holds, and says
// field by field, decoded, where they differ.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum FruCompareMode {
    // The BMC's first bytes must equal the image: it was just sent.
    FRU_COMPARE_EVERY_BYTE,
    // Every field but the board's manufacturing date, which a later run takes
    // from its own clock: a board programmed earlier.
    FRU_COMPARE_FIELDS_BUT_MFG_DATE,
};

enum FruCompareResult { FRU_SAME = 0, FRU_DIFFERENT = 1 };

// Receives each difference as one line without its newline.
typedef void (*FruDifferenceSink)(void* context, const char* line);

struct FruComparison {
    const uint8_t* expected;  // the image built for this unit
    size_t expectedSize;
    const uint8_t* held;  // what the BMC holds, from its first byte
    size_t heldSize;
    FruCompareMode mode;
    FruDifferenceSink sink;
    void* sinkContext;
};

// FRU_DIFFERENT after at least one line: a differing field (`board serial
// number: BMC holds "X", SKU.BIN has "Y"`), the first differing offset when
// the BMC's bytes do not decode or differ outside the fields, or a BMC area
// too small for the image. `held` is decoded over all of `heldSize`, so it
// should reach as far as the BMC's own header says (fruImageExtent).
FruCompareResult fruCompare(const FruComparison& comparison);
