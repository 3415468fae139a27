// The file upload against the simulated BMC, console byte for byte.
#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/channel/smem_transfers.h"
#include "tests/channel/channel_fixture.h"

namespace channeltest {
namespace {

using testsupport::captureStdout;

class FileUpload : public ChannelTest {
  protected:
    // Opens an upload channel and runs it on `name`; the console of both.
    int32_t upload(const char* name) {
        int32_t result = 99;
        int32_t failure = 0;
        out = captureStdout([&] {
            SmemChannel* channel = openSmemChannel(SMEM_OP_FILE_UPLOAD, &failure);
            ASSERT_NE(channel, nullptr);
            requestsBefore = sim::bmc().received().size();
            result = channel->operation(channel, name);
            closeSmemChannel(channel);
        });
        return result;
    }
    sim::Bytes fileBytes(const std::string& name) {
        auto bytes = testsupport::readFile(name);
        return sim::Bytes(bytes.begin(), bytes.end());
    }
    std::string out;
    size_t requestsBefore = 0;
};

TEST_F(FileUpload, SkuImageReachesTheBmcIntact) {
    writePatternFile("SKU.BIN", 1234);
    EXPECT_EQ(upload("SKU.BIN"), 0);
    EXPECT_EQ(out, defaultBoardUploadConsole());
    ASSERT_EQ(bmc().receivedFiles().size(), 1u);
    EXPECT_EQ(bmc().receivedFiles()[0].bytes, fileBytes("SKU.BIN"));
    // Upload record, little-endian words: size, 0, size.
    EXPECT_EQ(controlWord(0x220C), 1234u);
    EXPECT_EQ(controlWord(0x2210), 0u);
    EXPECT_EQ(controlWord(0x2214), 1234u);
    // The rest of the data area was cleared, not left as the BMC had it.
    const uint8_t* tail = bmc().memory().at(0x9E0C0000u + 1234, 0x10000 - 1234);
    EXPECT_TRUE(std::all_of(tail, tail + 0x10000 - 1234, [](uint8_t b) { return b == 0; }));
    // The doorbell was taken after 30 ms, then 90 one-second pauses.
    EXPECT_EQ(sim::nowMicros(), 30000u + 90000000u);
    EXPECT_EQ(bmc().window().baseRegister(), 0x9E000000u);  // control area left selected
}

TEST_F(FileUpload, AcceptsAtMost32768Bytes) {
    writePatternFile("SKU.BIN", 32768);
    EXPECT_EQ(upload("SKU.BIN"), 0);
    ASSERT_EQ(bmc().receivedFiles().size(), 1u);
    EXPECT_EQ(bmc().receivedFiles()[0].bytes, fileBytes("SKU.BIN"));

    useScript(sim::SmemScript{});
    writePatternFile("SKU.BIN", 32769);
    EXPECT_EQ(upload("SKU.BIN"), -2);
    EXPECT_NE(out.find("\nFile Size is too large ( > 32K Bytes ) !\n"), std::string::npos);
    EXPECT_EQ(sim::bmc().received().size(), requestsBefore);
    EXPECT_EQ(controlWord(0x220C), 0u);  // nothing written past the check
}

TEST_F(FileUpload, MissingFileSendsNoRequest) {
    EXPECT_EQ(upload("SKU.BIN"), -1);
    EXPECT_EQ(out.substr(out.size() - 14), "No Such File!\n");
    EXPECT_EQ(sim::bmc().received().size(), requestsBefore);
    EXPECT_EQ(bmc().doorbellsRung(), 0u);
}

TEST_F(FileUpload, DoorbellNeverTakenEndsWithStatusOne) {
    sim::SmemScript script;
    script.doorbellDelayMicros = sim::SMEM_NEVER;
    useScript(script);
    writePatternFile("SKU.BIN", 100);
    EXPECT_EQ(upload("SKU.BIN"), 1);
    EXPECT_EQ(out.substr(out.find("ShareMemAddr")),
              "ShareMemAddr = (0x9e000000, 0x9e0c0000)\n"
              "Timeout: Please Check Share Memory exist or not\n");
    EXPECT_EQ(sim::nowMicros(), 30000000u);
    EXPECT_TRUE(bmc().receivedFiles().empty());
}

}  // namespace
}  // namespace channeltest
