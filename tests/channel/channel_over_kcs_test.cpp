// The channel over the real KCS transport and the register-level KCS BMC of
// the default board: the production upload and a firmware update end to end.
#include "kcs/kcs.h"
#include "pelgrin/channel/smem_channel.h"
#include "platform/sim/kcs_bmc.h"
#include "platform/sim/smem_board.h"
#include "tests/channel/channel_fixture.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace channeltest {
namespace {

using testsupport::captureStdout;

class ChannelOverKcs : public testing::Test {
  protected:
    void SetUp() override {
        sim::resetBoard();
        sim::installDefaultBoard();
    }
    int32_t run(uint8_t kind, const char* path) {
        int32_t result = 99;
        int32_t failure = 0;
        out = captureStdout([&] {
            SmemChannel* channel = openSmemChannel(kind, &failure);
            result = channel ? channel->operation(channel, path) : 7;
            closeSmemChannel(channel);
        });
        return result;
    }
    sim::Bytes fileBytes(const std::string& name) {
        std::vector<unsigned char> bytes = testsupport::readFile(name);
        return sim::Bytes(bytes.begin(), bytes.end());
    }
    testsupport::ScratchDir scratch;
    std::string out;
};

TEST_F(ChannelOverKcs, DefaultBoardReceivesSkuImage) {
    writePatternFile("SKU.BIN", 5000);
    EXPECT_EQ(run(SMEM_OP_FILE_UPLOAD, "SKU.BIN"), 0);
    EXPECT_EQ(out, defaultBoardUploadConsole());
    ASSERT_EQ(sim::smemBmc().receivedFiles().size(), 1u);
    EXPECT_EQ(sim::smemBmc().receivedFiles()[0].bytes, fileBytes("SKU.BIN"));
    EXPECT_GT(sim::portWrites(0x0CA3), 0u);  // the requests went over the KCS ports
    EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
}

TEST_F(ChannelOverKcs, RefusedExchangeLeavesBmcMemoryAlone) {
    sim::KcsFaults faults;
    faults.writeStartRefused = true;
    sim::kcsBmc().script(faults);
    writePatternFile("SKU.BIN", 10);
    EXPECT_EQ(run(SMEM_OP_FILE_UPLOAD, "SKU.BIN"), 7);
    EXPECT_EQ(out,
              "CmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\n"
              "Error! The BMC gave no shared-memory address\n");
    EXPECT_EQ(sim::smemBmc().window().accesses(), 0u);
    EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
}

TEST_F(ChannelOverKcs, FirmwareUpdateReadsVersionsFromGetDeviceId) {
    writePatternFile("fw.bin", 3 * 65536 + 7);
    EXPECT_EQ(run(SMEM_OP_FIRMWARE_UPDATE, "fw.bin"), 0);
    EXPECT_NE(out.find("\nHALVOR : Get Current Firmware Version 1.23\n\n"), std::string::npos);
    EXPECT_NE(out.find("HALVOR : Upload fw.bin to BMC\n ####\nHALVOR : Start to Update BMC OK\n"),
              std::string::npos);
    EXPECT_NE(out.find("\nHALVOR : Get Firmware Version 1.23\n\n"), std::string::npos);
    ASSERT_EQ(sim::smemBmc().receivedFiles().size(), 1u);
    EXPECT_EQ(sim::smemBmc().receivedFiles()[0].bytes, fileBytes("fw.bin"));
    EXPECT_EQ(sim::smemBmc().resets(), 1u);
}

}  // namespace
}  // namespace channeltest
