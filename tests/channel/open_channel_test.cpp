// Opening the channel: address, window, cleared control area, bound operation.
#include <vector>

#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/channel/smem_transfers.h"
#include "tests/channel/channel_fixture.h"

namespace channeltest {
namespace {

using testsupport::captureStdout;

class OpenChannel : public ChannelTest {
  protected:
    void TearDown() override {
        for (SmemChannel* channel : opened)
            closeSmemChannel(channel);
        ChannelTest::TearDown();
    }
    SmemChannel* open(uint8_t kind) {
        SmemChannel* channel = nullptr;
        int32_t failure = 0;
        out = captureStdout([&] { channel = openSmemChannel(kind, &failure); });
        opened.push_back(channel);
        return channel;
    }
    std::vector<SmemChannel*> opened;
    // True when all `length` bytes at this offset from smemBase equal `value`.
    bool memoryAll(uint32_t offset, size_t length, uint8_t value) {
        const uint8_t* bytes = bmc().memory().at(uint64_t{bmc().memory().base()} + offset, length);
        return bytes != nullptr &&
               std::all_of(bytes, bytes + length, [value](uint8_t byte) { return byte == value; });
    }
    std::string out;
};

TEST_F(OpenChannel, PointsTheWindowAtTheAnsweredAddressAndClearsIt) {
    SmemChannel* channel = open(SMEM_OP_FILE_UPLOAD);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(out,
              std::string(DEFAULT_ADDRESS_LINES) + "ShareMemAddr = (0x9e000000, 0x9e0c0000)\n");
    EXPECT_EQ(smemBase, 0x9E000000u);
    EXPECT_EQ(smemDataBase, 0x9E0C0000u);
    EXPECT_EQ(channel->window->barBase, uint64_t{DEFAULT_WINDOW});
    EXPECT_EQ(channel->windowPointer, uint64_t{DEFAULT_WINDOW} + 0x10000);
    EXPECT_EQ(bmc().window().baseRegister(), 0x9E000000u);
    EXPECT_TRUE(memoryAll(0, 0x10000, 0));
    EXPECT_TRUE(memoryAll(0x10000, 16, sim::BMC_MEMORY_FILL));  // exactly 64 KB
    EXPECT_EQ(channel->operation, &uploadFile);
    EXPECT_EQ(open(SMEM_OP_FIRMWARE_UPDATE)->operation, &updateFirmware);
}

// The memory is filled on first access, so a second install must drop what
// the previous run wrote rather than keep storage that is already there.
TEST_F(OpenChannel, ReinstalledBoardShowsFreshMemoryAgain) {
    ASSERT_NE(open(SMEM_OP_FILE_UPLOAD), nullptr);
    ASSERT_TRUE(memoryAll(0, 0x10000, 0));
    useScript(sim::SmemScript{});
    EXPECT_EQ(bmc().memory().size(), 0x100000u);
    EXPECT_TRUE(memoryAll(0, 0x100000, sim::BMC_MEMORY_FILL));
}

TEST_F(OpenChannel, UnknownKindHasNoHandlerButAClearedWindow) {
    SmemChannel* channel = open(0x05);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->operation, nullptr);
    EXPECT_EQ(out, std::string(DEFAULT_ADDRESS_LINES) +
                       "ShareMemAddr = (0x9e000000, 0x9e0c0000)\nNull Handler!\n");
    EXPECT_EQ(bmc().window().baseRegister(), 0x9E000000u);
    EXPECT_TRUE(memoryAll(0, 0x10000, 0));
}

// Without an address the BMC sent, not a byte of BMC memory is touched and the
// window is never enabled.
TEST_F(OpenChannel, NoAddressWritesNoBmcMemory) {
    auto expectUntouched = [&](const char* why) {
        EXPECT_EQ(open(SMEM_OP_FILE_UPLOAD), nullptr) << why;
        EXPECT_EQ(bmc().window().accesses(), 0u) << why;
        EXPECT_EQ(sim::strayMemoryAccesses(), 0u) << why;
        EXPECT_TRUE(memoryAll(0, 0xD0000, sim::BMC_MEMORY_FILL)) << why;
        EXPECT_NE(out.find("Error! The BMC gave no shared-memory address\n"), std::string::npos)
            << why;
        EXPECT_EQ(out.find("ShareMemAddr"), std::string::npos) << why;
    };
    setTransportFailure(EFI_TIMEOUT);
    expectUntouched("transport failed");
    EXPECT_EQ(out,
              "CmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\n"
              "Error! The BMC gave no shared-memory address\n");
    setTransportFailure(EFI_SUCCESS);
    sim::SmemScript script;
    script.addressCompletionCode = 0xD5;
    useScript(script);
    expectUntouched("completion code");
    script = sim::SmemScript{};
    script.addressResponseLength = 9;
    useScript(script);
    expectUntouched("nine bytes");
}

TEST_F(OpenChannel, NoWindowAfterTheAddressLines) {
    sim::setPciFunctions({sim::pciFunction(0x1F3C, 0x0100, 0x06, 0x00, 0x00, 0x0007, 0)});
    EXPECT_EQ(open(SMEM_OP_FILE_UPLOAD), nullptr);
    EXPECT_EQ(out, std::string(DEFAULT_ADDRESS_LINES) +
                       "ShareMemAddr = (0x9e000000, 0x9e0c0000)\nInitial SMem Failed\n");
    EXPECT_EQ(bmc().window().accesses(), 0u);
}

}  // namespace
}  // namespace channeltest
