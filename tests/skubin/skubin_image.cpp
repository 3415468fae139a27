#include "tests/skubin/skubin_image.h"

#include <cstdlib>
#include <sstream>

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/image/sku_image.h"
#include "pelgrin/image/sku_layout.h"
#include "skubin/skubin_report.h"
#include "tests/image/fru_test_support.h"
#include "tests/support/scratch_dir.h"

namespace skubinTest {

const char DESCRIPTION[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VELSKU>\n   <Requirement>\n"
    "      <Pelgrin>0.22</Pelgrin>\n      <WriteSelection></WriteSelection>\n"
    "   </Requirement>\n   <RandCode>RC123</RandCode>\n   <BoardInfo>\n      <Main>\n"
    "         <ID>BID-7</ID>\n         <NIC>\n            <Interface1>\n"
    "               <MacAddr0>00:11:22:33:44:55</MacAddr0>\n            </Interface1>\n"
    "            <Interface2>\n               <MacAddr0>00:11:22:33:44:56</MacAddr0>\n"
    "            </Interface2>\n         </NIC>\n      </Main>\n   </BoardInfo>\n   <FRU>\n"
    "      <ChassisType>17</ChassisType>\n      <ChassisPartNumber>CPN-1</ChassisPartNumber>\n"
    "      <ChassisSerialNumber>C</ChassisSerialNumber>\n"
    "      <BoardSerialNumber>BSN1</BoardSerialNumber>\n"
    "      <BoardPartNumber>BPN1</BoardPartNumber>\n"
    "      <ProductSerialNumber>PSN</ProductSerialNumber>\n"
    "      <ProductPartNumber>PPN</ProductPartNumber>\n   </FRU>\n</VELSKU>\n";

namespace {

using fruTest::setText;

void fillBuilder(FruBuilder* builder) {
    uint8_t rackMount = 0x17;
    uint32_t minutes = 15253919;  // 2024-12-31 23:59 UTC
    uint8_t date[3] = {uint8_t(minutes), uint8_t(minutes >> 8), uint8_t(minutes >> 16)};
    fruBuilderSet(builder, FRU_CHASSIS_TYPE, &rackMount, 1);
    setText(builder, FRU_CHASSIS_PART_NUMBER, "CPN-1");
    setText(builder, FRU_CHASSIS_SERIAL_NUMBER, "C");
    fruBuilderSet(builder, FRU_BOARD_MFG_DATE_TIME, date, 3);
    setText(builder, FRU_BOARD_MANUFACTURER, "Maker");
    setText(builder, FRU_BOARD_PRODUCT_NAME, std::string(63, 'B'));
    setText(builder, FRU_BOARD_SERIAL_NUMBER, "BSN1");
    setText(builder, FRU_BOARD_PART_NUMBER, "BPN1");
    setText(builder, FRU_PRODUCT_MANUFACTURER, "PM");
    setText(builder, FRU_PRODUCT_NAME, "PName");
    setText(builder, FRU_PRODUCT_PART_NUMBER, "PPN");
    setText(builder, FRU_PRODUCT_VERSION, "V");
    setText(builder, FRU_PRODUCT_SERIAL_NUMBER, "PSN");
    setText(builder, FRU_PRODUCT_ASSET_TAG, "AT");
}

}  // namespace

std::vector<uint8_t> makeFru(const std::string& boardSerial) {
    fruTest::BuilderPtr builder = fruTest::makeBuilder();
    fillBuilder(builder.get());
    setText(builder.get(), FRU_BOARD_SERIAL_NUMBER, boardSerial);
    return fruTest::build(builder.get());
}

std::vector<uint8_t> makeImage(const std::string& description) {
    testsupport::ScratchDir scratch;
    testsupport::writeFile("mysku.xml", description);
    fruTest::BuilderPtr builder = fruTest::makeBuilder();
    fillBuilder(builder.get());
    SkuContext context{};
    fruBuilderBuild(builder.get(), &context.fruImage, &context.fruImageSize);
    std::vector<uint8_t> buffer(SKU_IMAGE_MAX, 0);
    int status = compressDescription(&context);
    if (status == 0)
        status = buildSkuImage(&context, buffer.data());
    free(context.skuGz);
    return status == 0 ? testsupport::readFile("SKU.BIN") : std::vector<uint8_t>();
}

void fixEntryChecksum(std::vector<uint8_t>* image, int entry) {
    uint8_t* record = image->data() + SKU_DIRECTORY_OFFSET + (entry - 1) * SKU_ENTRY_SIZE;
    uint32_t offset = skuGet24(record + SKU_ENTRY_DATA_OFFSET);
    uint32_t size = skuGet24(record + SKU_ENTRY_DATA_SIZE);
    skuPut16(record + SKU_ENTRY_CHECKSUM, byteSum16(image->data() + offset, size));
}

void fixHeaderChecksum(std::vector<uint8_t>* image) {
    skuPut16(image->data() + SKU_CHECKSUM_OFFSET, 0);
    skuPut16(image->data() + SKU_CHECKSUM_OFFSET, byteSum16(image->data(), 16));
}

SkubinRun runOn(const std::vector<uint8_t>& image, const std::vector<std::string>& extra) {
    testsupport::writeFile("SKU.BIN", std::string(image.begin(), image.end()));
    std::vector<std::string> arguments = {"SKU.BIN"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::ostringstream out;
    std::ostringstream err;
    SkubinRun run;
    run.status = runSkubin(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace skubinTest
