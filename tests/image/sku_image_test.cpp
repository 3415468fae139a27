#include "pelgrin/image/sku_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pelgrin/image/sku_layout.h"
#include "tests/support/scratch_dir.h"

using testsupport::captureStdout;
using testsupport::fileExists;
using testsupport::readFile;
using testsupport::ScratchDir;
typedef std::vector<uint8_t> Bytes;

namespace {

Bytes pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

struct ImageRun {
    int status;
    std::string printed;
    Bytes file;
};

ImageRun runBuild(Bytes& fru, Bytes& gz) {
    SkuContext context{};
    context.fruImage = fru.data();
    context.fruImageSize = fru.size();
    context.skuGz = gz.data();
    context.skuGzSize = gz.size();
    Bytes buffer(SKU_IMAGE_MAX, 0);
    ImageRun run{};
    run.printed = captureStdout([&] { run.status = buildSkuImage(&context, buffer.data()); });
    if (std::filesystem::is_regular_file("SKU.BIN"))
        run.file = readFile("SKU.BIN");
    return run;
}

Bytes slice(const Bytes& bytes, size_t start, size_t count) {
    return Bytes(bytes.begin() + start, bytes.begin() + start + count);
}

bool allZero(const Bytes& bytes, size_t start, size_t end) {
    for (size_t i = start; i < end; ++i)
        if (bytes.at(i) != 0)
            return false;
    return true;
}

}  // namespace

TEST(ByteSum16, AddsUnsignedBytesAndWraps) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(byteSum16(abc, 3), 0x0126);
    EXPECT_EQ(byteSum16(abc, 0), 0);
    Bytes ones(258, 0xFF);  // 258 * 255 = 65790 = 65536 + 254
    EXPECT_EQ(byteSum16(ones.data(), ones.size()), 254);
}

TEST(SkuImageLayout, WorkedExampleSeventyTwoAndOneThousandBytes) {
    ScratchDir scratch;
    Bytes fru = pattern(72, 0x11);
    Bytes gz = pattern(1000, 0x80);
    ImageRun run = runBuild(fru, gz);
    ASSERT_EQ(run.status, 0) << run.printed;
    EXPECT_EQ(run.printed, "");
    ASSERT_EQ(run.file.size(), 1408u);
    // Header 0x000-0x00F; size 0x000580 and checksum are little-endian.
    uint16_t headerSum = byteSum16(run.file.data(), 14);
    const Bytes header = {'K',
                          'O',
                          'R',
                          'V',
                          'A',
                          'L',
                          'E',
                          'N',
                          0x03,
                          0x80,
                          0x05,
                          0x00,
                          0x00,
                          0x00,
                          uint8_t(headerSum),
                          uint8_t(headerSum >> 8)};
    EXPECT_EQ(slice(run.file, 0, 16), header);
    EXPECT_EQ(headerSum, 'K' + 'O' + 'R' + 'V' + 'A' + 'L' + 'E' + 'N' + 3 + 0x80 + 5);
    // Entries: name (24, NUL padded), offset (3, LE), size (3, LE), checksum (2, LE).
    Bytes mac(32, 0);
    std::string("NVRAM_MAC00.dat").copy(reinterpret_cast<char*>(mac.data()), 15);
    EXPECT_EQ(slice(run.file, 0xA0, 32), mac);
    uint16_t fruSum = byteSum16(fru.data(), fru.size());
    Bytes fruEntry(32, 0);
    std::string("NVRAM_FRU00.dat").copy(reinterpret_cast<char*>(fruEntry.data()), 15);
    const Bytes fruTail = {
        0x00, 0x01, 0x00, 0x48, 0x00, 0x00, uint8_t(fruSum), uint8_t(fruSum >> 8)};
    std::copy(fruTail.begin(), fruTail.end(), fruEntry.begin() + 24);
    EXPECT_EQ(slice(run.file, 0xC0, 32), fruEntry);
    uint16_t gzSum = byteSum16(gz.data(), gz.size());
    Bytes gzEntry(32, 0);
    std::string("sku.xml.gz").copy(reinterpret_cast<char*>(gzEntry.data()), 10);
    const Bytes gzTail = {0x80, 0x01, 0x00, 0xE8, 0x03, 0x00, uint8_t(gzSum), uint8_t(gzSum >> 8)};
    std::copy(gzTail.begin(), gzTail.end(), gzEntry.begin() + 24);
    EXPECT_EQ(slice(run.file, 0xE0, 32), gzEntry);
    EXPECT_EQ(slice(run.file, 0x100, 72), fru);
    EXPECT_EQ(slice(run.file, 0x180, 1000), gz);
    EXPECT_TRUE(allZero(run.file, 0x10, 0xA0)) << "reserved";
    EXPECT_TRUE(allZero(run.file, 0x148, 0x180)) << "FRU padding";
    EXPECT_TRUE(allZero(run.file, 0x568, 0x580)) << "description padding";
}

TEST(SkuImageLayout, DescriptionOffsetFollowsTheFruSize) {
    struct Case {
        size_t fruSize;
        size_t gzSize;
        uint32_t descriptionOffset;
        uint32_t imageSize;
    };
    const Case cases[] = {
        {0, 20, 256, 320},    // empty FRU image: the description starts at 256
        {128, 64, 384, 448},  // FRU ends on a multiple of 64: no padding
        {129, 1, 448, 512},   // one byte more takes a whole block
        {72, 32384, 384, 32768},
    };
    for (const Case& c : cases) {
        ScratchDir scratch;
        Bytes fru = pattern(c.fruSize, 3);
        Bytes gz = pattern(c.gzSize, 9);
        ImageRun run = runBuild(fru, gz);
        ASSERT_EQ(run.status, 0) << run.printed;
        ASSERT_EQ(run.file.size(), c.imageSize);
        EXPECT_EQ(skuGet24(&run.file[SKU_SIZE_OFFSET]), c.imageSize);
        EXPECT_EQ(skuGet24(&run.file[0xE0 + 24]), c.descriptionOffset);
        EXPECT_EQ(slice(run.file, c.descriptionOffset, c.gzSize), gz);
        EXPECT_EQ(skuGet16(&run.file[0xC0 + 30]), byteSum16(fru.data(), fru.size()));
        EXPECT_TRUE(allZero(run.file, 256 + c.fruSize, c.descriptionOffset));
    }
}

TEST(SkuImageFailures, TooBigUnopenableAndUnwritable) {
    {
        ScratchDir scratch;
        Bytes fru = pattern(72, 1);
        Bytes gz = pattern(32385, 2);  // 384 + 32385 rounds up to 32832
        ImageRun run = runBuild(fru, gz);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.printed, "Error! SKU.BIN is too big (size = 32832\n)");
        EXPECT_FALSE(fileExists("SKU.BIN"));
    }
    {
        ScratchDir scratch;
        std::filesystem::create_directory("SKU.BIN");
        Bytes fru = pattern(72, 1);
        Bytes gz = pattern(100, 2);
        ImageRun run = runBuild(fru, gz);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.printed, "Error! Can't create SKU.BIN\n");
    }
    {
        ScratchDir scratch;
        std::filesystem::create_symlink("/dev/full", "SKU.BIN");
        Bytes fru = pattern(72, 1);
        Bytes gz = pattern(100, 2);
        ImageRun run = runBuild(fru, gz);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.printed, "Error! Can't write SKU.BIN\n");
        EXPECT_FALSE(std::filesystem::is_symlink("SKU.BIN"));
    }
}

TEST(SkuImageFailures, AnOldLongerFileIsReplacedWhole) {
    ScratchDir scratch;
    Bytes fru = pattern(8, 1);
    Bytes gz = pattern(8, 2);
    Bytes clean = runBuild(fru, gz).file;
    testsupport::writeFile("SKU.BIN", std::string(4 * clean.size(), 'O'));
    ImageRun run = runBuild(fru, gz);
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.file.size(), 384u);  // FRU at 256, description at 320
    EXPECT_EQ(run.file, clean);
}
