// Running the SKU processing in a scratch directory and taking its outputs
// apart: the FRU entry of SKU.BIN, decoded by an independent FRU reader, and
// mysku.xml.gz inflated.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "pelgrin/run/sku_context.h"

namespace skuTest {

typedef std::vector<uint8_t> Bytes;

// The shipped example description.
std::string exampleDescription();
// `text` with its only occurrence of `from` replaced; fails the test when
// `from` is not there exactly once.
std::string replaced(const std::string& text, const std::string& from, const std::string& to);

struct RunResult {
    int status;
    std::string output;
};

// Writes SKU.xml (unless `description` is null) and runs processSku on
// `context`, checking that no XML block outlives the run.
RunResult runSku(const char* description, SkuContext* context);
RunResult runSku(const std::string& description, SkuContext* context);

// True when none of mysku.xml, mysku.xml.gz and SKU.BIN exists.
bool noOutputs();

// The data of SKU.BIN's FRU entry.
Bytes fruEntry();
// The board area's three manufacturing date bytes.
Bytes boardDate(const Bytes& fru);
// ipmi-fru's report on the FRU image; fails the test on a decoding error.
std::string decodedFru(const Bytes& fru);
// mysku.xml.gz inflated.
std::string inflated(const std::string& gzFile);

}  // namespace skuTest
