// A real SKU.BIN made by the packaging code, and the damage the tests do to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skubinTest {

extern const char DESCRIPTION[];

// Builds SKU.BIN in the current directory (from `description` as mysku.xml)
// and returns its bytes; empty when the packaging failed.
std::vector<uint8_t> makeImage(const std::string& description = DESCRIPTION);
// The FRU image in makeImage's SKU.BIN, but for its board serial number.
std::vector<uint8_t> makeFru(const std::string& boardSerial);

// Re-sums a directory entry (1-3) or the header after a deliberate change,
// so that the damage under test is the only one.
void fixEntryChecksum(std::vector<uint8_t>* image, int entry);
void fixHeaderChecksum(std::vector<uint8_t>* image);

struct SkubinRun {
    int status;
    std::string out;
    std::string err;
};

// Writes `image` as SKU.BIN and runs the tool on it with `extra` arguments.
SkubinRun runOn(const std::vector<uint8_t>& image, const std::vector<std::string>& extra = {});

}  // namespace skubinTest
