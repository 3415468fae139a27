// A fresh simulated board per test: the shared-memory BMC with a script of
// the test's choosing, the default PCI bus, a scratch working directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/sim/smem_board.h"
#include "tests/channel/message_kcs.h"
#include "tests/support/scratch_dir.h"

namespace channeltest {

constexpr uint32_t DEFAULT_WINDOW = 0xF8000000;

class ChannelTest : public testing::Test {
  protected:
    void SetUp() override { useScript(sim::SmemScript{}); }
    void TearDown() override { setTransportFailure(EFI_SUCCESS); }

    // Board reset, BMC installed with `script`, default bus with the window
    // register of a prefetchable memory BAR.
    sim::SmemBmc& useScript(const sim::SmemScript& script);

    sim::SmemBmc& bmc() { return sim::smemBmc(); }
    // A word of BMC memory at this offset from the shared-memory address.
    uint32_t controlWord(uint32_t offset);

    testsupport::ScratchDir scratch;
};

// Bytes 0..size-1 of a pattern that repeats every 251 bytes, so that a chunk
// landing at the wrong offset does not match by accident.
std::string patternBytes(size_t size);
void writePatternFile(const std::string& name, size_t size);

// "01\b\b02\b\b...90\b\b": the reset wait's count.
std::string resetCount();

// The default board's answer to the address request, as the channel prints it
// (the configured enterprise number, then the address 0x9E000000, each least
// significant byte first).
extern const std::string DEFAULT_ADDRESS_LINES;
// What a successful upload prints on the default board, from the address on.
std::string defaultBoardUploadConsole();

}  // namespace channeltest
