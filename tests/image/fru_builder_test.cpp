#include "pelgrin/image/fru_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/image/fru_test_support.h"

using fruTest::build;
using fruTest::BuilderPtr;
using fruTest::makeBuilder;
using fruTest::setText;
using fruTest::sum8;
typedef std::vector<uint8_t> Bytes;

namespace {

// Offsets of the three areas, read back from the common header.
struct AreaSpan {
    size_t start;
    size_t length;
};

std::vector<AreaSpan> areaSpans(const Bytes& image) {
    std::vector<AreaSpan> spans;
    for (size_t headerByte = 2; headerByte <= 4; ++headerByte) {
        size_t start = image.at(headerByte) * 8u;
        spans.push_back({start, image.at(start + 1) * 8u});
    }
    return spans;
}

}  // namespace

TEST(FruBuilderLayout, ExampleLayoutWithChassisTypeAndTwoTexts) {
    BuilderPtr builder = makeBuilder();
    uint8_t chassisType = 0x17;
    fruBuilderSet(builder.get(), FRU_CHASSIS_TYPE, &chassisType, 1);
    setText(builder.get(), FRU_CHASSIS_PART_NUMBER, "PN");
    setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "SN");
    // Whole image, offsets 0..79 in image order.
    const Bytes expected = {
        0x01, 0x00, 0x01, 0x04, 0x07, 0x00, 0x00, 0xF3,  // common header
        0x01, 0x03, 0x17, 0xC2, 0x50, 0x4E, 0xC2, 0x53,  // chassis 8..
        0x4E, 0xC0, 0xC1, 0x00, 0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA1,  // ..31, checksum
        0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xC0,  // board 32..
        0xC0, 0xC0, 0xC0, 0xC0, 0xC1, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xBB,  // ..55, checksum
        0x01, 0x03, 0x00, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0,  // product 56..
        0xC0, 0xC0, 0xC0, 0xC1, 0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3B,  // ..79, checksum
    };
    EXPECT_EQ(build(builder.get()), expected);
}

TEST(FruBuilderLayout, NoTextAtAllClosesEachAreaAtTheNextUnit) {
    BuilderPtr builder = makeBuilder();
    // The chassis area holds 7 bytes of content, so it closes after 16 bytes
    // and the whole image is 72 bytes, in image order.
    const Bytes expected = {
        0x01, 0x00, 0x01, 0x03, 0x06, 0x00, 0x00, 0xF5,  // common header
        0x01, 0x02, 0x00, 0xC0, 0xC0, 0xC0, 0xC1, 0x00,  // chassis 8..
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC,  // ..23, checksum
        0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xC0,  // board 24..
        0xC0, 0xC0, 0xC0, 0xC0, 0xC1, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xBB,  // ..47, checksum
        0x01, 0x03, 0x00, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0,  // product 48..
        0xC0, 0xC0, 0xC0, 0xC1, 0x00, 0x00, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3B,  // ..71, checksum
    };
    EXPECT_EQ(build(builder.get()), expected);
}

TEST(FruBuilderLayout, EndMarkerOnTheLastByteOfAUnitGetsAFurtherUnit) {
    BuilderPtr builder = makeBuilder();
    // Chassis bytes from offset 8: 01 LL 00, C9 + 9 characters (11..20), the
    // empty serial C0 (21), then C0 C1 at 22 and 23: the marker ends a unit.
    setText(builder.get(), FRU_CHASSIS_PART_NUMBER, "ABCDEFGHI");
    Bytes image = build(builder.get());
    ASSERT_GE(image.size(), 40u);
    EXPECT_EQ(image[22], 0xC0);
    EXPECT_EQ(image[23], 0xC1);
    // One full unit of zeros follows, ending in the checksum at 31.
    EXPECT_EQ(image[9], 0x03);
    for (size_t i = 24; i < 31; ++i)
        EXPECT_EQ(image[i], 0x00) << "offset " << i;
    EXPECT_EQ(sum8(image, 8, 24), 0);
    EXPECT_EQ(image[3], 32 / 8);
}

TEST(FruBuilderLayout, EveryAreaAndTheHeaderSumToZero) {
    BuilderPtr builder = makeBuilder();
    uint8_t date[3] = {0x12, 0x34, 0x56};
    fruBuilderSet(builder.get(), FRU_BOARD_MFG_DATE_TIME, date, 3);
    setText(builder.get(), FRU_BOARD_MANUFACTURER, "Maker Inc.");
    setText(builder.get(), FRU_BOARD_PRODUCT_NAME, std::string(63, 'B'));
    setText(builder.get(), FRU_PRODUCT_NAME, "\xE9t\xE9");
    setText(builder.get(), FRU_PRODUCT_ASSET_TAG, "Z");
    Bytes image = build(builder.get());
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(sum8(image, 0, 8), 0);
    size_t end = 8;
    for (const AreaSpan& span : areaSpans(image)) {
        EXPECT_EQ(span.start, end) << "areas are contiguous";
        EXPECT_EQ(sum8(image, span.start, span.length), 0) << "area at " << span.start;
        end = span.start + span.length;
    }
    EXPECT_EQ(end, image.size());
    // Board bytes 3..5 are the date bytes as given (least significant first).
    size_t board = image[3] * 8u;
    EXPECT_EQ(Bytes(image.begin() + board + 3, image.begin() + board + 6), Bytes(date, date + 3));
}

TEST(FruBuilderFields, SettingRules) {
    BuilderPtr builder = makeBuilder();
    EXPECT_EQ(setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "FIRST"), 0);
    EXPECT_EQ(setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "2ND"), 0);
    EXPECT_EQ(fruBuilderSet(builder.get(), FRU_CHASSIS_PART_NUMBER, nullptr, 4), 0);
    EXPECT_EQ(setText(builder.get(), 0, "x"), -1);
    EXPECT_EQ(setText(builder.get(), 19, "x"), -1);
    EXPECT_EQ(fruBuilderSet(builder.get(), 19, nullptr, 0), -1);
    // Only the length given is copied, not the rest of the caller's bytes.
    EXPECT_EQ(fruBuilderSet(builder.get(), FRU_BOARD_SERIAL_NUMBER, "ABCDEF", 3), 0);
    Bytes image = build(builder.get());
    // Chassis fields at 11: part number empty, serial "2ND" (C3 '2' 'N' 'D').
    EXPECT_EQ(Bytes(image.begin() + 11, image.begin() + 18),
              Bytes({0xC0, 0xC3, '2', 'N', 'D', 0xC0, 0xC1}));
    size_t board = image[3] * 8u;
    // Board fields from byte 6: manufacturer, name, serial "ABC", ...
    EXPECT_EQ(Bytes(image.begin() + board + 6, image.begin() + board + 12),
              Bytes({0xC0, 0xC0, 0xC3, 'A', 'B', 'C'}));
}

TEST(FruBuilderFields, ProductVersionPrecedesSerialWhateverTheSetOrder) {
    BuilderPtr builder = makeBuilder();
    setText(builder.get(), FRU_PRODUCT_FILE_ID, "F7");
    setText(builder.get(), FRU_PRODUCT_ASSET_TAG, "T6");
    setText(builder.get(), FRU_PRODUCT_SERIAL_NUMBER, "S5");
    setText(builder.get(), FRU_PRODUCT_VERSION, "V4");
    setText(builder.get(), FRU_PRODUCT_PART_NUMBER, "P3");
    setText(builder.get(), FRU_PRODUCT_NAME, "N2");
    setText(builder.get(), FRU_PRODUCT_MANUFACTURER, "M1");
    Bytes image = build(builder.get());
    size_t product = image[4] * 8u;
    std::string fields(image.begin() + product + 3, image.begin() + product + 3 + 21);
    EXPECT_EQ(fields,
              "\xC2M1\xC2N2\xC2P3\xC2V4\xC2S5\xC2T6\xC2"
              "F7");
}

TEST(FruBuilderFields, LengthLimitsAndTheOneByteText) {
    BuilderPtr builder = makeBuilder();
    setText(builder.get(), FRU_CHASSIS_PART_NUMBER, "7");    // 6-bit: '7' - 0x20 = 0x17
    setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "a");  // no 6-bit form
    setText(builder.get(), FRU_BOARD_MANUFACTURER, std::string(63, 'M'));
    setText(builder.get(), FRU_BOARD_PRODUCT_NAME, std::string(64, 'N'));
    setText(builder.get(), FRU_BOARD_SERIAL_NUMBER, std::string("AB\0CD", 5));
    Bytes image = build(builder.get());
    EXPECT_EQ(Bytes(image.begin() + 11, image.begin() + 16), Bytes({0x81, 0x17, 0xC0, 0xC0, 0xC1}));
    size_t board = image[3] * 8u;
    size_t field = board + 6;
    EXPECT_EQ(image[field], 0xFF) << "63 bytes: 0xC0 | 63";
    field += 64;
    EXPECT_EQ(image[field], 0xFF) << "64 bytes are clamped to 63";
    EXPECT_EQ(image[field + 63], 'N');
    field += 64;
    EXPECT_EQ(Bytes(image.begin() + field, image.begin() + field + 3), Bytes({0xC2, 'A', 'B'}))
        << "a text ends at its first zero byte";
    for (uint8_t byte : {uint8_t(0x01), uint8_t(0x1F), uint8_t(0x60), uint8_t(0xC1)}) {
        fruBuilderSet(builder.get(), FRU_CHASSIS_PART_NUMBER, &byte, 1);
        EXPECT_EQ(build(builder.get()).at(11), 0xC0) << "byte " << int(byte);
    }
}

TEST(FruBuilderBuffer, RebuildsFromZeroAndRefusesATooSmallBuffer) {
    BuilderPtr builder = makeBuilder();
    setText(builder.get(), FRU_PRODUCT_NAME, std::string(40, 'L'));
    Bytes longer = build(builder.get());
    setText(builder.get(), FRU_PRODUCT_NAME, "S");
    const uint8_t* image = nullptr;
    uint64_t size = 0;
    fruBuilderBuild(builder.get(), &image, &size);
    ASSERT_LT(size, longer.size());
    for (size_t i = size; i < longer.size(); ++i)
        EXPECT_EQ(image[i], 0) << "stale byte at " << i;

    BuilderPtr small(fruBuilderCreate(64));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(fruBuilderBuild(small.get(), &image, &size), -1);
    EXPECT_EQ(size, 0u);
}
