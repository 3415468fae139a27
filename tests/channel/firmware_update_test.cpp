// The firmware update against the simulated BMC: chunks, start, progress,
// reset and their console.
#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/channel/smem_transfers.h"
#include "tests/channel/channel_fixture.h"

namespace channeltest {
namespace {

using testsupport::captureStdout;

constexpr uint32_t CHUNK = 65536;
const char* const IMAGE = "fw.bin";

sim::Bytes fileBytes(const std::string& name) {
    std::vector<unsigned char> bytes = testsupport::readFile(name);
    return sim::Bytes(bytes.begin(), bytes.end());
}

std::string inPlace(const std::string& text, int backspaces) {
    return text + std::string(backspaces, '\b');
}

// "00\b\b" .. "29\b\b": one status wait that never saw its status.
std::string missedStart() {
    std::string tries;
    for (int i = 0; i < 30; ++i)
        tries += inPlace((i < 10 ? "0" : "") + std::to_string(i), 2);
    return tries;
}

class FirmwareUpdate : public ChannelTest {
  protected:
    void SetUp() override { useScript(updateScript()); }
    static sim::SmemScript updateScript() {
        sim::SmemScript script;
        script.answersDeviceId = true;
        return script;
    }
    // The console of the update alone (the channel opened beforehand).
    int32_t update(const char* name) {
        SmemChannel* channel = nullptr;
        int32_t failure = 0;
        captureStdout([&] { channel = openSmemChannel(SMEM_OP_FIRMWARE_UPDATE, &failure); });
        EXPECT_NE(channel, nullptr);
        requestsBefore = sim::bmc().received().size();
        int32_t result = 99;
        out = captureStdout([&] { result = channel->operation(channel, name); });
        closeSmemChannel(channel);
        return result;
    }
    std::vector<uint32_t> chunkOffsets() {
        std::vector<uint32_t> offsets;
        for (const sim::ReceivedChunk& chunk : bmc().chunks())
            offsets.push_back(chunk.offset);
        return offsets;
    }
    std::string out;
    size_t requestsBefore = 0;
};

TEST_F(FirmwareUpdate, CompleteUpdateConsoleAndSteps) {
    writePatternFile(IMAGE, 1000);
    EXPECT_EQ(update(IMAGE), 0);
    EXPECT_EQ(out,
              "\nHALVOR : Get Current Firmware Version 1.23\n\n"
              "HALVOR : Upload fw.bin to BMC\n #"
              "\nHALVOR : Start to Update BMC OK\n"
              "HALVOR : Checking Update Status " +
                  inPlace("35 % ", 5) + inPlace("70 % ", 5) + inPlace("100 % ", 5) +
                  "\nHALVOR : Update Completed!\n"
                  "HALVOR : Reset BMC ! Wait 90 seconds: " +
                  resetCount() + "\nHALVOR : Get Firmware Version 1.24\n\n");
    EXPECT_EQ(bmc().actionsTaken(), (std::vector<uint32_t>{1, 2, 3, 3, 3, 5}));
    EXPECT_EQ(bmc().resets(), 1u);
    // Update record, little-endian words.
    EXPECT_EQ(controlWord(0x70C), 1000u);
    EXPECT_EQ(controlWord(0x720), 0x78787878u);
    EXPECT_EQ(controlWord(0x728), CHUNK);
    EXPECT_EQ(controlWord(0x72C), 5u);
    ASSERT_EQ(bmc().receivedFiles().size(), 1u);
    EXPECT_EQ(bmc().receivedFiles()[0].name, "fw.bin");
    EXPECT_EQ(bmc().receivedFiles()[0].bytes, fileBytes(IMAGE));
}

// 70,000 bytes: offsets 0 and 65,536; the second chunk is 4,464 file bytes
// and 61,072 zeros.
TEST_F(FirmwareUpdate, ChunksCoverTheFileAndEndInZeros) {
    writePatternFile(IMAGE, 70000);
    EXPECT_EQ(update(IMAGE), 0);
    ASSERT_EQ(chunkOffsets(), (std::vector<uint32_t>{0, CHUNK}));
    std::string file = patternBytes(70000);
    const sim::Bytes& second = bmc().chunks()[1].bytes;
    EXPECT_EQ(std::string(second.begin(), second.begin() + 4464), file.substr(CHUNK));
    EXPECT_EQ(std::count(second.begin() + 4464, second.end(), 0), 61072);
    EXPECT_EQ(bmc().receivedFiles()[0].bytes.size(), 70000u);

    useScript(updateScript());
    writePatternFile(IMAGE, 0);
    EXPECT_EQ(update(IMAGE), 0);
    ASSERT_EQ(chunkOffsets(), (std::vector<uint32_t>{0}));
    EXPECT_EQ(std::count(bmc().chunks()[0].bytes.begin(), bmc().chunks()[0].bytes.end(), 0), CHUNK);
}

TEST_F(FirmwareUpdate, TwentyFiveMegabytesIsTheLimit) {
    const size_t limit = 26214400;
    writePatternFile(IMAGE, limit);
    EXPECT_EQ(update(IMAGE), 0);
    ASSERT_EQ(bmc().chunks().size(), 401u);
    EXPECT_EQ(bmc().chunks().back().offset, limit);
    const sim::Bytes& last = bmc().chunks().back().bytes;
    EXPECT_EQ(std::count(last.begin(), last.end(), 0), CHUNK);
    EXPECT_TRUE(bmc().receivedFiles()[0].bytes == fileBytes(IMAGE));

    useScript(updateScript());
    writePatternFile(IMAGE, limit + 1);
    EXPECT_EQ(update(IMAGE), 2);
    EXPECT_EQ(out, "File Size is too large ( > 25M Bytes ) !\n");
    EXPECT_EQ(sim::bmc().received().size(), requestsBefore);
}

// 40 chunks: a blank and 32 marks, a line break, a blank and 8 marks.
TEST_F(FirmwareUpdate, ProgressMarksWrapAfterThirtyTwo) {
    writePatternFile(IMAGE, 39 * CHUNK + 100);
    EXPECT_EQ(update(IMAGE), 0);
    std::string marks = "HALVOR : Upload fw.bin to BMC\n " + std::string(32, '#') + "\n " +
                        std::string(8, '#') + "\nHALVOR : Start";
    EXPECT_NE(out.find(marks), std::string::npos) << out.substr(0, 200);
}

// The step is read back after every chunk: a BMC that asks for 32 KB steps
// gets overlapping chunks; one that answers 0 or a step past 4 GB ends the
// upload loop rather than hanging it, and the update goes on to the start.
TEST_F(FirmwareUpdate, ChunkStepIsReadBackFromTheRecord) {
    sim::SmemScript script = updateScript();
    script.rewritesChunkSize = true;
    script.chunkSizeWritten = 0x8000;
    useScript(script);
    writePatternFile(IMAGE, 70000);
    EXPECT_EQ(update(IMAGE), 0);
    EXPECT_EQ(chunkOffsets(), (std::vector<uint32_t>{0, 0x8000, 0x10000}));

    for (uint32_t step : {0u, 0xFFFFFFFFu}) {
        script.chunkSizeWritten = step;
        useScript(script);
        EXPECT_EQ(update(IMAGE), 0);
        EXPECT_EQ(chunkOffsets(), (std::vector<uint32_t>{0})) << step;
        EXPECT_NE(out.find("BMC\n #\nHALVOR : Start to Update BMC OK\n"), std::string::npos);
    }
}

TEST_F(FirmwareUpdate, LongNameIsCutToSixteenBytes) {
    const char* name = "abcdefghijklmnopqrst";
    writePatternFile(name, 10);
    EXPECT_EQ(update(name), 0);
    EXPECT_NE(out.find("HALVOR : Upload abcdefghijklmnop to BMC\n"), std::string::npos);
    // fileName at 0x710: 16 bytes, no terminating zero; 0x720 is the marker.
    EXPECT_EQ(controlWord(0x710), 0x64636261u);
    EXPECT_EQ(controlWord(0x71C), 0x706F6E6Du);
    EXPECT_EQ(bmc().receivedFiles()[0].name, "abcdefghijklmnop");
}

TEST_F(FirmwareUpdate, StartIsTriedTwiceThenTimesOut) {
    sim::SmemScript script = updateScript();
    script.startStatuses = {0};
    useScript(script);
    writePatternFile(IMAGE, 10);
    EXPECT_EQ(update(IMAGE), 4);
    std::string tail =
        "\nHALVOR : Start to Update BMC " + missedStart() + missedStart() + "\nHALVOR : Timeout!\n";
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_EQ(bmc().actionsTaken(), (std::vector<uint32_t>{1, 2, 2}));
    EXPECT_EQ(bmc().statusRequests(), 60u);
    EXPECT_EQ(bmc().resets(), 0u);
}

TEST_F(FirmwareUpdate, StartSeenOnTheSecondTryGoesOn) {
    sim::SmemScript script = updateScript();
    script.startStatuses = std::vector<uint8_t>(30, 0);
    script.startStatuses.push_back(6);
    useScript(script);
    writePatternFile(IMAGE, 10);
    EXPECT_EQ(update(IMAGE), 0);
    EXPECT_NE(out.find("BMC " + missedStart() + "OK\n"), std::string::npos);
    EXPECT_EQ(bmc().actionsTaken(), (std::vector<uint32_t>{1, 2, 2, 3, 3, 3, 5}));
}

// 0xF0 is printed as a signed byte; 32 rounds without 100 end with 5 and
// no reset.
TEST_F(FirmwareUpdate, NoCompletionAfterThirtyTwoRounds) {
    sim::SmemScript script = updateScript();
    script.progressStatuses = {0xF0};
    useScript(script);
    writePatternFile(IMAGE, 10);
    EXPECT_EQ(update(IMAGE), 5);
    std::string rounds;
    for (int i = 0; i < 32; ++i)
        rounds += inPlace("-16 % ", 5);
    std::string tail = "HALVOR : Checking Update Status " + rounds +
                       "HALVOR : Timeout! Update Exit with abnormal status (-16).\n";
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_EQ(bmc().resets(), 0u);
    EXPECT_EQ(std::count(bmc().actionsTaken().begin(), bmc().actionsTaken().end(), 3u), 32);
}

TEST_F(FirmwareUpdate, MissingFileSendsNoRequest) {
    EXPECT_EQ(update(IMAGE), 1);
    EXPECT_EQ(out, "No Such File!\n");
    EXPECT_EQ(sim::bmc().received().size(), requestsBefore);
}

}  // namespace
}  // namespace channeltest
