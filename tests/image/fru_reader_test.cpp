#include "pelgrin/image/fru_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pelgrin/image/fru_compare.h"
#include "tests/image/fru_test_support.h"

using fruTest::build;
using fruTest::setText;
typedef std::vector<uint8_t> Bytes;

namespace {

std::string fieldText(const Bytes& image, const FruFieldView& field) {
    char text[FRU_FIELD_TEXT_MAX];
    fruFieldText(image.data(), image.size(), &field, text, sizeof(text));
    return text;
}

std::vector<std::string> areaTexts(const Bytes& image, const FruAreaView& area) {
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < area.fieldCount && i < FRU_READER_MAX_FIELDS; ++i)
        texts.push_back(fieldText(image, area.fields[i]));
    return texts;
}

// An area from the bytes after its version and length bytes: padded with
// zeros so that the checksum ends an 8-byte unit.
Bytes makeArea(const Bytes& body) {
    Bytes area = {0x01, 0x00};
    area.insert(area.end(), body.begin(), body.end());
    area.resize((area.size() + 1 + 7) / 8 * 8, 0);
    area[1] = static_cast<uint8_t>(area.size() / 8);
    uint8_t sum = 0;
    for (uint8_t byte : area)
        sum = static_cast<uint8_t>(sum + byte);
    area.back() = static_cast<uint8_t>(-sum);
    return area;
}

// Common header and the three areas one after the other.
Bytes makeImage(const Bytes& chassis, const Bytes& board, const Bytes& product) {
    Bytes image = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    image[3] = static_cast<uint8_t>((8 + chassis.size()) / 8);
    image[4] = static_cast<uint8_t>(image[3] + board.size() / 8);
    uint8_t sum = 0;
    for (uint8_t byte : image)
        sum = static_cast<uint8_t>(sum + byte);
    image[7] = static_cast<uint8_t>(-sum);
    for (const Bytes* area : {&chassis, &board, &product})
        image.insert(image.end(), area->begin(), area->end());
    return image;
}

// What the builder makes with no text set, in image order: header 0-7,
// chassis 8-23 (fields from 11, end marker at 14), board 24-47, product 48-71.
Bytes minimalImage() {
    return {
        0x01, 0x00, 0x01, 0x03, 0x06, 0x00, 0x00, 0xF5, 0x01, 0x02, 0x00, 0xC0, 0xC0, 0xC0, 0xC1,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00,
        0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC1, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xBB, 0x01, 0x03, 0x00, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC1,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3B,
    };
}

}  // namespace

TEST(FruReaderDecode, ReadsBackWhatTheBuilderWrote) {
    fruTest::BuilderPtr builder = fruTest::makeBuilder();
    uint8_t chassisType = 0x17;
    uint8_t date[3] = {0x56, 0x34, 0x12};  // 0x123456 minutes, least significant first
    fruBuilderSet(builder.get(), FRU_CHASSIS_TYPE, &chassisType, 1);
    setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "C");
    fruBuilderSet(builder.get(), FRU_BOARD_MFG_DATE_TIME, date, 3);
    setText(builder.get(), FRU_BOARD_MANUFACTURER, "Maker");
    setText(builder.get(), FRU_BOARD_PART_NUMBER, std::string(63, 'P'));
    setText(builder.get(), FRU_PRODUCT_NAME, "Server 2U");
    setText(builder.get(), FRU_PRODUCT_VERSION, "V1");
    setText(builder.get(), FRU_PRODUCT_SERIAL_NUMBER, "SN-1");
    Bytes image = build(builder.get());

    FruImageView view;
    ASSERT_EQ(fruReadImage(image.data(), image.size(), &view), FRU_READ_OK);
    EXPECT_EQ(view.chassis.typeByte, 0x17);
    // Each area ends with the builder's closing empty field, read as a custom field.
    EXPECT_EQ(areaTexts(image, view.chassis), std::vector<std::string>({"", "C", ""}));
    EXPECT_EQ(view.chassis.fields[1].type, FRU_FIELD_SIXBIT_ASCII);
    EXPECT_EQ(view.board.mfgMinutes, 0x123456u);
    EXPECT_EQ(areaTexts(image, view.board),
              std::vector<std::string>({"Maker", "", "", std::string(63, 'P'), "", ""}));
    EXPECT_EQ(areaTexts(image, view.product),
              std::vector<std::string>({"", "Server 2U", "", "V1", "SN-1", "", "", ""}));
    uint32_t productEnd = view.product.offset + view.product.length;
    EXPECT_EQ(productEnd, image.size());
    EXPECT_EQ(view.product.freeBytes, productEnd - 1 - view.product.endMarkerOffset - 1);
}

TEST(FruReaderDecode, EveryFieldTypeAndCustomFields) {
    // Chassis type 0x03, then fields in image order:
    //   6-bit ASCII A1 38 B2 = "ABCL" (0x21, 0x22, 0x23, 0x2C packed from bit 0 up),
    //   6-bit ASCII 68 0A = "HI" (two bytes hold two characters),
    //   BCD plus 12 AB C9 = "12 -.9" (high digit first), binary 00 FF,
    //   then 18 custom 8-bit fields "cc", more than the reader keeps.
    Bytes chassis = {0x03, 0x83, 0xA1, 0x38, 0xB2, 0x82, 0x68, 0x0A,
                     0x43, 0x12, 0xAB, 0xC9, 0x02, 0x00, 0xFF};
    for (int i = 0; i < 18; ++i)
        chassis.insert(chassis.end(), {0xC2, 'c', 'c'});
    chassis.push_back(0xC1);
    // Board: language 0, date 00 00 00 (unspecified), Latin-1 E9 't' E9, control 07 'x'.
    Bytes board = {0x00, 0x00, 0x00, 0x00, 0xC3, 0xE9, 't', 0xE9,
                   0xC2, 0x07, 'x',  0xC0, 0xC0, 0xC0, 0xC1};
    Bytes image = makeImage(makeArea(chassis), makeArea(board),
                            makeArea({0x00, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC1}));
    FruImageView view;
    ASSERT_EQ(fruReadImage(image.data(), image.size(), &view), FRU_READ_OK)
        << fruReadStatusText(view.status) << " at " << view.errorOffset;
    EXPECT_EQ(view.chassis.fieldCount, 4u + 18u);
    std::vector<std::string> texts = areaTexts(image, view.chassis);
    ASSERT_EQ(texts.size(), size_t(FRU_READER_MAX_FIELDS));
    EXPECT_EQ(texts[0], "ABCL");
    EXPECT_EQ(texts[1], "HI");
    EXPECT_EQ(texts[2], "12 -.9");
    EXPECT_EQ(texts[3], "00 FF");
    EXPECT_EQ(texts[15], "cc");
    EXPECT_EQ(view.chassis.fields[3].type, FRU_FIELD_BINARY);
    EXPECT_EQ(view.board.mfgMinutes, 0u);
    EXPECT_EQ(areaTexts(image, view.board),
              std::vector<std::string>({"\\xE9t\\xE9", "\\x07x", "", "", ""}));
    // A text that does not fit is cut, and still terminated.
    char small[4];
    EXPECT_EQ(fruFieldText(image.data(), image.size(), &view.chassis.fields[2], small, 4), 3u);
    EXPECT_STREQ(small, "12 ");
}

TEST(FruReaderDefects, FirstDefectWithItsPlace) {
    struct Case {
        const char* what;
        size_t offset;  // byte to change, or the size to cut to
        int change;     // value to add (mod 256); 0 cuts the image at `offset`
        FruReadStatus status;
        FruAreaKind area;
        uint32_t errorOffset;
    };
    const Case cases[] = {
        {"cut inside the header", 5, 0, FRU_READ_TRUNCATED, FRU_AREA_HEADER, 5},
        {"cut inside the board area", 40, 0, FRU_READ_TRUNCATED, FRU_AREA_BOARD, 40},
        {"cut after the board area", 48, 0, FRU_READ_TRUNCATED, FRU_AREA_PRODUCT, 48},
        {"header version", 0, 1, FRU_READ_BAD_HEADER_VERSION, FRU_AREA_HEADER, 0},
        {"header checksum", 7, 1, FRU_READ_BAD_HEADER_CHECKSUM, FRU_AREA_HEADER, 7},
        {"chassis version", 8, 1, FRU_READ_BAD_AREA_VERSION, FRU_AREA_CHASSIS, 8},
        {"chassis length 0", 9, -2, FRU_READ_BAD_AREA_LENGTH, FRU_AREA_CHASSIS, 9},
        {"chassis length past the end", 9, 200, FRU_READ_TRUNCATED, FRU_AREA_CHASSIS, 72},
        {"board inside the chassis", 3, -1, FRU_READ_AREA_OVERLAP, FRU_AREA_BOARD, 16},
        {"chassis stretched over the board", 9, 1, FRU_READ_FREE_BYTES_NOT_ZERO, FRU_AREA_CHASSIS,
         23},
        {"field into the checksum", 11, 0x10, FRU_READ_FIELD_OVERRUN, FRU_AREA_CHASSIS, 11},
        {"end marker too early", 12, 1, FRU_READ_MISSING_FIELD, FRU_AREA_CHASSIS, 12},
        {"end marker lost", 14, 1, FRU_READ_NO_END_MARKER, FRU_AREA_CHASSIS, 23},
        {"free byte set", 20, 1, FRU_READ_FREE_BYTES_NOT_ZERO, FRU_AREA_CHASSIS, 20},
        {"chassis checksum", 23, 1, FRU_READ_BAD_AREA_CHECKSUM, FRU_AREA_CHASSIS, 23},
        {"board checksum", 47, 0x80, FRU_READ_BAD_AREA_CHECKSUM, FRU_AREA_BOARD, 47},
        {"product checksum", 71, 0xFF, FRU_READ_BAD_AREA_CHECKSUM, FRU_AREA_PRODUCT, 71},
    };
    for (const Case& c : cases) {
        Bytes image = minimalImage();
        ASSERT_EQ(image.size(), 72u);
        if (c.change == 0)
            image.resize(c.offset);
        else
            image[c.offset] = static_cast<uint8_t>(image[c.offset] + c.change);
        // Header defects after byte 7 would hide behind the header checksum.
        if (c.offset < 8 && c.offset > 0 && c.offset != 7 && c.change != 0)
            image[7] = static_cast<uint8_t>(image[7] - c.change);
        FruImageView view;
        EXPECT_EQ(fruReadImage(image.data(), image.size(), &view), c.status) << c.what;
        EXPECT_EQ(view.status, c.status) << c.what;
        EXPECT_EQ(view.errorArea, c.area) << c.what;
        EXPECT_EQ(view.errorOffset, c.errorOffset) << c.what;
    }
}

TEST(FruReaderDefects, AChecksumDefectDoesNotEndTheWalk) {
    Bytes image = minimalImage();
    image[23] ^= 0xFF;  // chassis checksum
    image.resize(60);   // product area (48-71) cut
    FruImageView view;
    EXPECT_EQ(fruReadImage(image.data(), image.size(), &view), FRU_READ_BAD_AREA_CHECKSUM);
    EXPECT_EQ(view.errorArea, FRU_AREA_CHASSIS);
    EXPECT_EQ(view.errorOffset, 23u);
    EXPECT_EQ(view.chassis.status, FRU_READ_BAD_AREA_CHECKSUM);
    EXPECT_TRUE(view.board.visited);
    EXPECT_EQ(view.board.status, FRU_READ_OK);
    EXPECT_EQ(view.board.fieldCount, 6u);
    EXPECT_EQ(view.product.status, FRU_READ_TRUNCATED);
    EXPECT_EQ(view.product.errorOffset, 60u);

    Bytes versionDefect = minimalImage();
    versionDefect[24] = 0x02;  // board format version: the walk stops there
    fruReadImage(versionDefect.data(), versionDefect.size(), &view);
    EXPECT_EQ(view.board.status, FRU_READ_BAD_AREA_VERSION);
    EXPECT_FALSE(view.product.visited);
}

TEST(FruReaderDefects, AnyBytesStayInsideTheGivenLength) {
    // Every cut of a valid image and many random mutations: each read ends
    // with a status and an error offset within the bytes. The sanitizer
    // build turns any stray read into a failure.
    Bytes valid = minimalImage();
    for (size_t size = 0; size <= valid.size(); ++size) {
        Bytes cut(valid.begin(), valid.begin() + size);
        FruImageView view;
        FruReadStatus status = fruReadImage(cut.data(), cut.size(), &view);
        EXPECT_EQ(status == FRU_READ_OK, size == valid.size()) << size;
        EXPECT_LE(view.errorOffset, size);
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 20000; ++round) {
        Bytes image = valid;
        image.resize(random() % 96);
        for (int flips = random() % 6; flips > 0 && !image.empty(); --flips)
            image[random() % image.size()] = static_cast<uint8_t>(random());
        auto exact = std::make_unique<uint8_t[]>(image.size() + 1);
        std::copy(image.begin(), image.end(), exact.get());
        FruImageView view;
        fruReadImage(exact.get(), image.size(), &view);
        EXPECT_LE(view.errorOffset, image.size());
        for (const FruAreaView* area : {&view.chassis, &view.board, &view.product}) {
            for (uint32_t i = 0; i < area->fieldCount && i < FRU_READER_MAX_FIELDS; ++i) {
                char text[FRU_FIELD_TEXT_MAX];
                fruFieldText(exact.get(), image.size(), &area->fields[i], text, sizeof(text));
            }
        }
    }
    FruImageView view;
    EXPECT_EQ(fruReadImage(nullptr, 100, &view), FRU_READ_TRUNCATED);
}

TEST(FruReaderDate, MinutesSince1996ToUtcCalendar) {
    struct Case {
        uint32_t minutes;
        FruDateTime date;  // year, month, day, hour, minute
    };
    const Case cases[] = {
        {0, {1996, 1, 1, 0, 0}},
        {1439, {1996, 1, 1, 23, 59}},
        {84960, {1996, 2, 29, 0, 0}},  // leap day
        {86400, {1996, 3, 1, 0, 0}},
        {527040, {1997, 1, 1, 0, 0}},
        {0x123456, {1998, 4, 8, 12, 6}},
        {2189554, {2000, 2, 29, 12, 34}},  // century leap year
        {15253919, {2024, 12, 31, 23, 59}},
        {0xFFFFFF, {2027, 11, 24, 20, 15}},  // largest 24-bit value
    };
    for (const Case& c : cases) {
        FruDateTime date = fruMinutesToDate(c.minutes);
        EXPECT_EQ(date.year, c.date.year) << c.minutes;
        EXPECT_EQ(date.month, c.date.month) << c.minutes;
        EXPECT_EQ(date.day, c.date.day) << c.minutes;
        EXPECT_EQ(date.hour, c.date.hour) << c.minutes;
        EXPECT_EQ(date.minute, c.date.minute) << c.minutes;
    }
}

namespace {

// One unit's FRU texts, laid out by makeArea; an area without fields is
// absent from the image. No text is one character long: its type/length
// byte would be the end marker.
struct FruUnit {
    uint8_t chassisType = 0x17;
    std::vector<std::string> chassis = {"CPN-1", "CSN-1"};
    uint8_t boardLanguage = 0;
    uint32_t boardMinutes = 0;
    std::vector<std::string> board = {"Maker", "Board X", "BSN-0001", "BPN-1", ""};
    uint8_t productLanguage = 0;
    std::vector<std::string> product = {"Maker", "Server", "PPN-1", "V1", "PSN-1", "AT-1", ""};
};

Bytes textFields(Bytes body, const std::vector<std::string>& fields) {
    for (const std::string& field : fields) {
        body.push_back(static_cast<uint8_t>(0xC0 | field.size()));
        body.insert(body.end(), field.begin(), field.end());
    }
    body.push_back(0xC1);
    return body;
}

Bytes layOut(const FruUnit& unit) {
    const uint32_t minutes = unit.boardMinutes;
    Bytes areas[3] = {makeArea(textFields({unit.chassisType}, unit.chassis)),
                      makeArea(textFields(
                          {unit.boardLanguage, static_cast<uint8_t>(minutes),
                           static_cast<uint8_t>(minutes >> 8), static_cast<uint8_t>(minutes >> 16)},
                          unit.board)),
                      makeArea(textFields({unit.productLanguage}, unit.product))};
    const bool present[3] = {!unit.chassis.empty(), !unit.board.empty(), !unit.product.empty()};
    Bytes image = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    for (int area = 0; area < 3; ++area) {
        if (!present[area])
            continue;
        image[2 + area] = static_cast<uint8_t>(image.size() / 8);
        image.insert(image.end(), areas[area].begin(), areas[area].end());
    }
    image[7] = static_cast<uint8_t>(-fruTest::sum8(image, 0, 7));
    return image;
}

Bytes cut(const Bytes& image, size_t size) {
    return Bytes(image.begin(), image.begin() + size);
}

std::string firstDifference(size_t at, const Bytes& held, const Bytes& expected) {
    char text[96];
    snprintf(text, sizeof text,
             "first difference at byte 0x%04zX: BMC holds 0x%02X, SKU.BIN has 0x%02X\n", at,
             held[at], expected[at]);
    return text;
}

void collectLine(void* lines, const char* line) {
    *static_cast<std::string*>(lines) += std::string(line) + "\n";
}

}  // namespace

// Every line the comparison can print, each from the smallest difference
// that leads to it; a match prints nothing.
TEST(FruCompare, EveryLineItCanPrint) {
    const FruCompareMode EVERY = FRU_COMPARE_EVERY_BYTE;
    const FruCompareMode FIELDS = FRU_COMPARE_FIELDS_BUT_MFG_DATE;
    const FruUnit base;
    const Bytes ours = layOut(base);
    const std::string size = std::to_string(ours.size());
    auto with = [&base](void (*change)(FruUnit&)) {
        FruUnit unit = base;
        change(unit);
        return layOut(unit);
    };
    const Bytes dated = with([](FruUnit& u) { u.boardMinutes = 366 * 24 * 60; });
    const Bytes longerSerial = with([](FruUnit& u) { u.board[2] = "BSN-0001-LONGER-SERIAL"; });
    Bytes otherHeader = ours;
    otherHeader[1] = 0x20;  // an internal use area the reader does not decode
    otherHeader[7] = static_cast<uint8_t>(otherHeader[7] - 0x20);
    Bytes larger = ours;
    larger.resize(ours.size() + 64, 0xFF);
    const size_t boardChecksum = ours[3] * 8 + ours[ours[3] * 8 + 1] * 8 - 1;
    Bytes badBoardSum = ours;
    badBoardSum[boardChecksum]++;
    struct Case {
        const char* name;
        Bytes held;
        Bytes expected;
        FruCompareMode mode;
        std::string lines;
    };
    const Case cases[] = {
        {"the same bytes", ours, ours, EVERY, ""},
        {"a larger area behind the same bytes", larger, ours, EVERY, ""},
        {"another date, fields compared", dated, ours, FIELDS, ""},
        {"another date", dated, ours, EVERY,
         "board manufacturing date: BMC holds \"1997-01-01 00:00 UTC\", SKU.BIN has "
         "\"unspecified\"\n"},
        {"another board serial of another length", longerSerial, ours, EVERY,
         "board serial number: BMC holds \"BSN-0001-LONGER-SERIAL\", SKU.BIN has \"BSN-0001\"\n"},
        {"another chassis type", with([](FruUnit& u) { u.chassisType = 0x11; }), ours, EVERY,
         "chassis type: BMC holds 17, SKU.BIN has 23\n"},
        {"another board language", with([](FruUnit& u) { u.boardLanguage = 25; }), ours, EVERY,
         "board language: BMC holds 25, SKU.BIN has 0\n"},
        {"another product language", with([](FruUnit& u) { u.productLanguage = 1; }), ours, FIELDS,
         "product language: BMC holds 1, SKU.BIN has 0\n"},
        {"no chassis area on the BMC", with([](FruUnit& u) { u.chassis.clear(); }), ours, EVERY,
         "chassis area: BMC holds none, SKU.BIN has one\n"},
        {"no product area in SKU.BIN", ours, with([](FruUnit& u) { u.product.clear(); }), FIELDS,
         "product area: BMC holds one, SKU.BIN has none\n"},
        {"a custom field more on the BMC", with([](FruUnit& u) { u.product.push_back("XX"); }),
         ours, EVERY, "product area fields: BMC holds 8, SKU.BIN has 7\n"},
        {"another custom field", with([](FruUnit& u) { u.chassis.push_back("XX"); }),
         with([](FruUnit& u) { u.chassis.push_back("YY"); }), EVERY,
         "chassis custom field 1: BMC holds \"XX\", SKU.BIN has \"YY\"\n"},
        {"two differences, in image order", with([](FruUnit& u) {
             u.chassis[1] = "CSN-2";
             u.product[6] = "FF";
         }),
         ours, EVERY,
         "chassis serial number: BMC holds \"CSN-2\", SKU.BIN has \"CSN-1\"\nproduct FRU file ID: "
         "BMC holds \"FF\", SKU.BIN has \"\"\n"},
        {"equal fields, another header byte", otherHeader, ours, EVERY,
         "first difference at byte 0x0001: BMC holds 0x20, SKU.BIN has 0x00\n"},
        {"no FRU header", Bytes(ours.size(), 0), ours, EVERY,
         "the BMC's FRU does not decode (common header format version is not 1, common header); "
         "first difference at byte 0x0000: BMC holds 0x00, SKU.BIN has 0x01\n"},
        {"a board area checksum off", badBoardSum, ours, FIELDS,
         "the BMC's FRU does not decode (area checksum does not sum to 0, board area); " +
             firstDifference(boardChecksum, badBoardSum, ours)},
        {"the longer serial cut where SKU.BIN's image ends", cut(longerSerial, ours.size()), ours,
         EVERY,
         "the BMC's FRU does not decode (truncated, product area); " +
             firstDifference(4, longerSerial, ours)},
        {"an area too small for the image", cut(ours, 40), ours, EVERY,
         "the BMC's FRU area holds 40 bytes, SKU.BIN's FRU image " + size + "\n"},
        {"the BMC's bytes end first", cut(ours, 40), ours, FIELDS,
         "the BMC's FRU does not decode (truncated, board area); the BMC's bytes end at 0x0028\n"},
        {"the BMC holds bytes past SKU.BIN's", cut(ours, 40), cut(ours, 16), FIELDS,
         "the BMC's FRU does not decode (truncated, board area); the BMC holds bytes past "
         "SKU.BIN's 0x0010\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string lines;
        FruComparison comparison = {c.expected.data(),
                                    c.expected.size(),
                                    c.held.data(),
                                    c.held.size(),
                                    c.mode,
                                    collectLine,
                                    &lines};
        EXPECT_EQ(fruCompare(comparison), c.lines.empty() ? FRU_SAME : FRU_DIFFERENT);
        EXPECT_EQ(lines, c.lines);
    }
}
