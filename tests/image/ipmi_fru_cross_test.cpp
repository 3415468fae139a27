// Builder output decoded by an independent FRU decoder, ipmi-fru from
// FreeIPMI, which the test machine installs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pelgrin/image/fru_builder.h"
#include "tests/image/fru_test_support.h"
#include "tests/image/ipmi_fru_decoder.h"
#include "tests/support/scratch_dir.h"

using fruTest::build;
using fruTest::setText;
using imageTest::decode;
using imageTest::Decoded;
using imageTest::DecoderRun;

namespace {

using fruTest::BuilderPtr;
using fruTest::makeBuilder;

void setDate(FruBuilder* builder, uint32_t minutes) {
    uint8_t date[3] = {uint8_t(minutes), uint8_t(minutes >> 8), uint8_t(minutes >> 16)};
    fruBuilderSet(builder, FRU_BOARD_MFG_DATE_TIME, date, 3);
}

}  // namespace

TEST(IpmiFruCrossCheck, EveryFieldAgreesWithTheIndependentDecoder) {
    BuilderPtr builder = makeBuilder();
    uint8_t rackMount = 0x17;
    fruBuilderSet(builder.get(), FRU_CHASSIS_TYPE, &rackMount, 1);
    setText(builder.get(), FRU_CHASSIS_PART_NUMBER, "CPN-1");
    setText(builder.get(), FRU_CHASSIS_SERIAL_NUMBER, "C");
    setDate(builder.get(), 0);
    setText(builder.get(), FRU_BOARD_MANUFACTURER, "Maker");
    setText(builder.get(), FRU_BOARD_PRODUCT_NAME, std::string(63, 'B'));
    setText(builder.get(), FRU_BOARD_SERIAL_NUMBER, "BSN1");
    setText(builder.get(), FRU_BOARD_PART_NUMBER, "_");
    setText(builder.get(), FRU_PRODUCT_MANUFACTURER, "PM");
    setText(builder.get(), FRU_PRODUCT_NAME, "Server 2U");
    setText(builder.get(), FRU_PRODUCT_PART_NUMBER, "PPN");
    setText(builder.get(), FRU_PRODUCT_VERSION, "0");
    setText(builder.get(), FRU_PRODUCT_SERIAL_NUMBER, "PSN");
    setText(builder.get(), FRU_PRODUCT_ASSET_TAG, std::string(63, 'A'));
    DecoderRun run = decode(build(builder.get()));
    ASSERT_TRUE(run.ran) << "ipmi-fru (freeipmi-tools) must be installed";
    EXPECT_TRUE(run.errors.empty()) << run.errors.front();
    const Decoded expected = {
        {"FRU Chassis Type", "Rack Mount Chassis"},
        {"FRU Chassis Part Number", "CPN-1"},
        {"FRU Chassis Serial Number", "C"},
        {"FRU Board Manufacturing Date/Time", "01/01/96 - 00:00:00"},
        {"FRU Board Manufacturer", "Maker"},
        {"FRU Board Product Name", std::string(63, 'B')},
        {"FRU Board Serial Number", "BSN1"},
        {"FRU Board Part Number", "_"},
        {"FRU Product Manufacturer Name", "PM"},
        {"FRU Product Name", "Server 2U"},
        {"FRU Product Part/Model Number", "PPN"},
        {"FRU Product Version", "0"},
        {"FRU Product Serial Number", "PSN"},
        {"FRU Product Asset Tag", std::string(63, 'A')},
    };
    EXPECT_EQ(run.fields, expected);
}

TEST(IpmiFruCrossCheck, DatesAndEmptyImagesDecodeWithoutError) {
    struct Case {
        uint32_t minutes;
        const char* shown;  // month/day/two-digit year, UTC
    };
    const Case cases[] = {
        {1, "01/01/96 - 00:01:00"},
        {0x123456, "04/08/98 - 12:06:00"},
        {15253919, "12/31/24 - 23:59:00"},
        {0xFFFFFF, "11/24/27 - 20:15:00"},
    };
    for (const Case& c : cases) {
        BuilderPtr builder = makeBuilder();
        setDate(builder.get(), c.minutes);
        DecoderRun run = decode(build(builder.get()));
        ASSERT_TRUE(run.ran);
        EXPECT_TRUE(run.errors.empty()) << c.minutes << ": " << run.errors.front();
        EXPECT_EQ(run.fields["FRU Board Manufacturing Date/Time"], c.shown);
    }
    BuilderPtr empty = makeBuilder();
    DecoderRun run = decode(build(empty.get()));
    ASSERT_TRUE(run.ran);
    EXPECT_TRUE(run.errors.empty()) << run.errors.front();
    EXPECT_EQ(run.fields.count("FRU Chassis Part Number"), 0u);
}
