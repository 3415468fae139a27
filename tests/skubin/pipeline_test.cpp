// The SKU.BIN of a production run on the shipped example passes skubin, and
// skubin's FRU decoding agrees with ipmi-fru field for field.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "pelgrin/image/fru_reader.h"
#include "pelgrin/image/sku_layout.h"
#include "pelgrin/sku/process_sku.h"
#include "skubin/skubin_report.h"
#include "tests/image/ipmi_fru_decoder.h"
#include "tests/support/scratch_dir.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Every field line of the report, as "<area> <label>" -> text.
std::vector<std::string> fruLines(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        if (line.find(" bytes  \"") != std::string::npos)
            lines.push_back(line.substr(line.find('"')));
    return lines;
}

Bytes fruEntry(const Bytes& image) {
    const uint8_t* record = &image[SKU_DIRECTORY_OFFSET + SKU_ENTRY_SIZE];
    uint32_t offset = skuGet24(record + SKU_ENTRY_DATA_OFFSET);
    return Bytes(image.begin() + offset,
                 image.begin() + offset + skuGet24(record + SKU_ENTRY_DATA_SIZE));
}

}  // namespace

TEST(SkubinPipeline, ExampleRunPassesAndAgreesWithIpmiFru) {
    testsupport::ScratchDir scratch;
    testsupport::writeFile("SKU.xml", testsupport::readText(VELSKU_EXAMPLES_DIR "/SKU.xml"));
    SkuContext context{};
    context.chassisSerialNumber = "CS2026120800017";
    context.boardSerialNumber = "B";  // one character: 6-bit packed in the FRU
    context.productSerialNumber = "PS2026120800017";
    context.mainMac = "021B2C3D4E5F";
    context.writeSelection = "FRU_MAC_BSN_BPN_AREA";
    Bytes buffer(SKU_IMAGE_MAX, 0);
    int status = -1;
    testsupport::captureStdout([&] { status = processSku(&context, buffer.data()); });
    free(context.skuGz);
    ASSERT_EQ(status, 0);

    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runSkubin({"SKU.BIN"}, out, err), SKUBIN_OK) << out.str();
    for (const char* line :
         {"  Main MAC Address        : 02:1B:2C:3D:4E:5F\n",
          "  Write Selection         : FRU_MAC_BSN_BPN_AREA\n", "  BoardSerialNumber       : B\n",
          "    serial number      6-bit ASCII   1 bytes  \"B\"\n"})
        EXPECT_NE(out.str().find(line), std::string::npos) << line << out.str();

    Bytes fru = fruEntry(testsupport::readFile("SKU.BIN"));
    imageTest::DecoderRun decoded = imageTest::decode(fru);
    ASSERT_TRUE(decoded.ran) << "ipmi-fru (freeipmi-tools) must be installed";
    EXPECT_TRUE(decoded.errors.empty());
    // ipmi-fru leaves empty fields out; skubin shows every field.
    std::vector<std::string> shown;
    for (const std::string& text : fruLines(out.str()))
        if (text != "\"\"")
            shown.push_back(text);
    const char* const names[] = {
        "FRU Chassis Part Number",       "FRU Chassis Serial Number",
        "FRU Board Manufacturer",        "FRU Board Product Name",
        "FRU Board Serial Number",       "FRU Board Part Number",
        "FRU Product Manufacturer Name", "FRU Product Name",
        "FRU Product Part/Model Number", "FRU Product Version",
        "FRU Product Serial Number",
    };
    ASSERT_EQ(shown.size(), sizeof(names) / sizeof(names[0])) << out.str();
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], "\"" + decoded.fields[names[i]] + "\"") << names[i];
    EXPECT_EQ(decoded.fields.count("FRU Product Asset Tag"), 0u);
}
