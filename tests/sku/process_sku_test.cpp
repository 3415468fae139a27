#include "pelgrin/sku/process_sku.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "kcs/kcs.h"
#include "pelgrin/sku/find_element.h"
#include "pelgrin/xml/xml_memory.h"
#include "platform/sim/sim_board.h"
#include "tests/sku/sku_run_support.h"
#include "tests/sku/xml_test_support.h"
#include "tests/support/scratch_dir.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

using skuTest::Bytes;
using skuTest::decodedFru;
using skuTest::exampleDescription;
using skuTest::fruEntry;
using skuTest::noOutputs;
using skuTest::replaced;
using skuTest::runSku;
using testsupport::readText;

namespace {

const int64_t START_OF_1996 = 820454400;
const int64_t NOV_30_2026 = 1796000000;  // 2026-11-30 00:53:20 UTC

class ProcessSku : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::resetBoard();
        sim::setWallClock(NOV_30_2026);
        memset(&context, 0, sizeof context);
    }
    void TearDown() override { sim::resetBoard(); }

    testsupport::ScratchDir dir;
    SkuContext context;
    const std::string example = exampleDescription();
};

std::string withVersion(const std::string& description, const std::string& version) {
    return replaced(description, "<Pelgrin>0.22</Pelgrin>", "<Pelgrin>" + version + "</Pelgrin>");
}

// The text of `path` in the written mysku.xml.
std::string mergedText(const char* path) {
    xmlTest::DocumentPtr merged = xmlTest::loadText(readText("mysku.xml"));
    if (!merged)
        return "<mysku.xml does not load>";
    XmlElement* element = nullptr;
    const char* text = findElement(merged->root, path, &element);
    return element == nullptr ? "<missing>" : text ? text : "";
}

}  // namespace

TEST_F(ProcessSku, ExampleRunWritesEveryOutputAndPrintsOnlyOneNewline) {
    skuTest::RunResult run = runSku(example, &context);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "\n");
    EXPECT_STREQ(context.randCode, "R7Q2-KX91");
    EXPECT_STREQ(context.boardId, "TN4MB-0420");
    // The compressed description is one gzip stream of exactly mysku.xml, and
    // it is what SKU.BIN carries.
    Bytes gz = testsupport::readFile("mysku.xml.gz");
    ASSERT_GT(gz.size(), 18u);
    EXPECT_EQ(gz[0], 0x1F);
    EXPECT_EQ(gz[1], 0x8B);
    EXPECT_EQ(skuTest::inflated("mysku.xml.gz"), readText("mysku.xml"));
    std::string image = readText("SKU.BIN");
    EXPECT_NE(image.find(std::string(gz.begin(), gz.end())), std::string::npos);
    // Without given values mysku.xml is SKU.xml printed again: unknown
    // elements, attributes and non-ASCII text come through.
    xmlTest::DocumentPtr original = xmlTest::loadText(example);
    EXPECT_EQ(readText("mysku.xml"), xmlTest::printed(original.get()));
    EXPECT_NE(
        readText("mysku.xml").find("<Zone id=\"1\" min=\"15\" max=\"80\">PCIe &lt;risers&gt;"),
        std::string::npos);
    std::string report = decodedFru(fruEntry());
    EXPECT_NE(report.find("FRU Chassis Type: Rack Mount Chassis"), std::string::npos) << report;
    EXPECT_NE(report.find("FRU Board Manufacturing Date/Time: 11/30/26 - 00:53:00"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("FRU Product Name: Tarn 4 Rack Server"), std::string::npos) << report;
}

TEST_F(ProcessSku, VersionGate) {
    struct Case {
        const char* required;
        int status;
    };
    const Case cases[] = {{"0.22", 0}, {"0.23", 5}, {"0.3", 0}, {"1.0", 5}, {"0", 0}, {"1", 5}};
    for (const Case& c : cases) {
        testsupport::ScratchDir runDir;
        skuTest::RunResult run = runSku(withVersion(example, c.required), &context);
        EXPECT_EQ(run.status, c.status) << c.required;
        if (c.status == 0)
            continue;
        EXPECT_EQ(run.output, std::string("Error! pelgrin.exe Version 0.22 is old\n"
                                          "Error! The SKU.xml requires pelgrin.exe Version ") +
                                  c.required + "\n");
        EXPECT_TRUE(noOutputs()) << c.required;
    }
}

TEST_F(ProcessSku, DescriptionsThatCannotBeUsedAreRefusedBeforeAnyFile) {
    struct Case {
        std::string description;
        int status;
        std::string output;
    };
    const std::string fru = "<FRU>\n    <ChassisType>17</ChassisType>\n";
    const Case cases[] = {
        {"<VELSKU><Requirement>", 2, "Unable to parse SKU.xml!\n"},
        {"", 2, "Unable to parse SKU.xml!\n"},
        {replaced(replaced(example, "<VELSKU ", "<OTHERSKU "), "</VELSKU>", "</OTHERSKU>"), 2,
         "Error! The root element of SKU.xml is OTHERSKU, not VELSKU\n"},
        {replaced(example, "<Pelgrin>0.22</Pelgrin>", ""), 2,
         "Error! Not found Requirement/Pelgrin in SKU.xml\n"},
        {withVersion(example, "  "), 2, "Error! Requirement/Pelgrin in SKU.xml is empty\n"},
        {replaced(example, fru, "<FRU>\n"), 2, "Error! Not found FRU/ChassisType in SKU.xml\n"},
        {replaced(example, "R7Q2-KX91", "0123456789ABCDEF"), 2,
         "Error! RandCode in SKU.xml is longer than 15 characters\n"},
        {replaced(example, "TN4MB-0420", "0123456789ABCDEF"), 2,
         "Error! BoardInfo/Main/ID in SKU.xml is longer than 15 characters\n"},
        {replaced(example, "Tarn 4 Rack Server", std::string(64, 'N')), 2,
         "Error! FRU/ProductName in SKU.xml is longer than 63 bytes\n"},
        {replaced(example, "<AssetTag></AssetTag>", "<AssetTag>a</AssetTag>"), 2,
         "Error! FRU/AssetTag in SKU.xml is one character outside 0x20-0x5F, which a FRU field "
         "cannot hold\n"},
    };
    for (const Case& c : cases) {
        testsupport::ScratchDir runDir;
        skuTest::RunResult run = runSku(c.description, &context);
        EXPECT_EQ(run.status, c.status) << c.output;
        EXPECT_EQ(run.output, c.output);
        EXPECT_TRUE(noOutputs()) << c.output;
    }
    testsupport::ScratchDir emptyDir;
    skuTest::RunResult missing = runSku(nullptr, &context);
    EXPECT_EQ(missing.status, -2);
    EXPECT_EQ(missing.output, "SKU.xml: No Such File or Directory!\n");
}

TEST_F(ProcessSku, GivenSerialNumbersThatCannotGoIntoTheFruAreRefused) {
    struct Case {
        const char* SkuContext::*field;
        std::string value;
        std::string output;
    };
    const Case cases[] = {
        {&SkuContext::chassisSerialNumber, std::string(64, 'C'),
         "Error! The CSN value is longer than 63 bytes\n"},
        {&SkuContext::boardSerialNumber, std::string(64, 'B'),
         "Error! The BSN value is longer than 63 bytes\n"},
        {&SkuContext::productSerialNumber, "~",
         "Error! The PSN value is one character outside 0x20-0x5F, which a FRU field cannot "
         "hold\n"},
    };
    for (const Case& c : cases) {
        testsupport::ScratchDir runDir;
        memset(&context, 0, sizeof context);
        context.*c.field = c.value.c_str();
        skuTest::RunResult run = runSku(example, &context);
        EXPECT_EQ(run.status, 3);
        EXPECT_EQ(run.output, c.output);
        EXPECT_TRUE(noOutputs());
    }
}

TEST_F(ProcessSku, LongestAndShortestTextsDecodeCleanly) {
    std::string longest(63, 'Z');
    std::string description = replaced(example, "Tarn 4 Rack Server", longest);
    description = replaced(description, "<AssetTag></AssetTag>", "<AssetTag>Q</AssetTag>");
    description = replaced(description, "R7Q2-KX91", "0123456789ABCDE");
    context.boardSerialNumber = "7";
    skuTest::RunResult run = runSku(description, &context);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_STREQ(context.randCode, "0123456789ABCDE");
    std::string report = decodedFru(fruEntry());
    EXPECT_NE(report.find("FRU Product Name: " + longest + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("FRU Board Serial Number: 7\n"), std::string::npos) << report;
    EXPECT_NE(report.find("FRU Product Asset Tag: Q\n"), std::string::npos) << report;
    // Fields after the one-character ones are still read.
    EXPECT_NE(report.find("FRU Board Part Number: MB-TN4-0420\n"), std::string::npos) << report;
}

TEST_F(ProcessSku, ChassisTypeIsHexadecimalLowByte) {
    const char* texts[] = {"17", "0x17", "117", "  0X17  "};
    for (const char* text : texts) {
        testsupport::ScratchDir runDir;
        std::string description = replaced(example, "<ChassisType>17</ChassisType>",
                                           std::string("<ChassisType>") + text + "</ChassisType>");
        skuTest::RunResult run = runSku(description, &context);
        ASSERT_EQ(run.status, 0) << text;
        Bytes fru = fruEntry();
        EXPECT_EQ(fru.at(fru.at(2) * 8u + 2), 0x17) << text;
        EXPECT_NE(decodedFru(fru).find("FRU Chassis Type: Rack Mount Chassis"), std::string::npos);
    }
}

TEST_F(ProcessSku, GivenSerialNumbersReplaceTheDescriptionsPartNumbersDoNot) {
    context.chassisSerialNumber = "ABC";
    context.boardSerialNumber = "BSN-0001";
    context.productSerialNumber = "PSN-0002";
    context.chassisPartNumber = "CPN-GIVEN";
    context.boardPartNumber = "BPN-GIVEN";
    context.productPartNumber = "PPN-GIVEN";
    context.assetTag = "ASSET-GIVEN";
    context.productVersion = "PV-GIVEN";
    context.productName = "NAME-GIVEN";
    context.rmcUnit = "7";
    context.nodeUnit = "3";
    context.powerBank = "B";
    context.mainMac = "001122334455";
    context.shareMac = "aabbccddeeff";
    context.writeSelection = "FRU_PRD_AREA";
    skuTest::RunResult run = runSku(example, &context);
    ASSERT_EQ(run.status, 0) << run.output;
    std::string report = decodedFru(fruEntry());
    const char* inFru[] = {
        "FRU Chassis Part Number: CH-2U-0417\n",
        "FRU Chassis Serial Number: ABC\n",
        "FRU Board Serial Number: BSN-0001\n",
        "FRU Board Part Number: MB-TN4-0420\n",
        "FRU Product Serial Number: PSN-0002\n",
        "FRU Product Part/Model Number: SYS-TN4-2U\n",
        "FRU Product Version: 1.0\n",
        "FRU Product Name: Tarn 4 Rack Server\n",
    };
    for (const char* line : inFru)
        EXPECT_NE(report.find(line), std::string::npos) << line << report;
    EXPECT_EQ(report.find("ASSET-GIVEN"), std::string::npos);
    struct Merged {
        const char* path;
        const char* text;
    };
    const Merged merged[] = {
        {"/VELSKU/Requirement/WriteSelection", "FRU_PRD_AREA"},
        {"/VELSKU/BoardInfo/Main/NIC/Interface1/MacAddr0", "00:11:22:33:44:55"},
        {"/VELSKU/BoardInfo/Main/NIC/Interface2/MacAddr0", "aa:bb:cc:dd:ee:ff"},
        {"/VELSKU/FRU/ChassisSerialNumber", "ABC"},
        {"/VELSKU/FRU/ChassisPartNumber", "CPN-GIVEN"},
        {"/VELSKU/FRU/BoardSerialNumber", "BSN-0001"},
        {"/VELSKU/FRU/BoardPartNumber", "BPN-GIVEN"},
        {"/VELSKU/FRU/ProductSerialNumber", "PSN-0002"},
        {"/VELSKU/FRU/ProductPartNumber", "PPN-GIVEN"},
        {"/VELSKU/FRU/AssetTag", "ASSET-GIVEN"},
        {"/VELSKU/OpenRackInfo/RMCUnit", "7"},
        {"/VELSKU/OpenRackInfo/NodeUnit", "3"},
        {"/VELSKU/OpenRackInfo/PowerBank", "B"},
        {"/VELSKU/FRU/ProductVersion", "PV-GIVEN"},
        {"/VELSKU/FRU/ProductName", "Tarn 4 Rack Server"},
    };
    for (const Merged& m : merged)
        EXPECT_EQ(mergedText(m.path), m.text) << m.path;
    EXPECT_EQ(readText("mysku.xml").find("NAME-GIVEN"), std::string::npos);
}

TEST_F(ProcessSku, LookupIsDepthFirstFirstWithTextAndTrimmed) {
    std::string description =
        replaced(example, "<AssetTag></AssetTag>",
                 "<AssetTag>   </AssetTag>\n    <AssetTag>  TAG-2  </AssetTag>");
    description = replaced(description, "<FRU>", "<FRU>\n    <Chassis>wrong</Chassis>");
    description = replaced(description, "<ChassisPartNumber>CH-2U-0417</ChassisPartNumber>",
                           "<ChassisPartNumber>  ABC  </ChassisPartNumber>");
    description =
        replaced(description, "<ChassisSerialNumber>CSN-PLACEHOLDER</ChassisSerialNumber>", "");
    description = replaced(description, "<BoardProductName>TN4 Mainboard</BoardProductName>", "");
    context.assetTag = "NEW-TAG";
    skuTest::RunResult run = runSku(description, &context);
    ASSERT_EQ(run.status, 0) << run.output;
    Bytes fru = fruEntry();
    // Chassis area: type, then the part number trimmed, then the absent serial number empty.
    const Bytes chassis = {0x01, 0x03, 0x17, 0xC3, 'A', 'B', 'C', 0xC0, 0xC0, 0xC1};
    EXPECT_EQ(Bytes(fru.begin() + 8, fru.begin() + 18), chassis);
    std::string report = decodedFru(fru);
    EXPECT_NE(report.find("FRU Product Asset Tag: TAG-2\n"), std::string::npos) << report;
    // The write-back replaced the element the lookup found: the second one.
    std::string merged = readText("mysku.xml");
    EXPECT_NE(merged.find("      <AssetTag/>\n      <AssetTag>NEW-TAG</AssetTag>\n"),
              std::string::npos)
        << merged;
}

TEST_F(ProcessSku, MissingWriteBackElementEndsTheRunWithItsMessage) {
    struct Case {
        const char* SkuContext::*field;
        std::string element;
        std::string output;
    };
    const std::string mac = "\n          <MacAddr0>00:00:00:00:00:00</MacAddr0>";
    const Case cases[] = {
        {&SkuContext::writeSelection, "<WriteSelection>FRU_AREA</WriteSelection>",
         "Error! Not found \"WriteSelection\" in SKU.xml"},
        {&SkuContext::mainMac, "<Interface1 role=\"dedicated\">" + mac,
         "Error! Not found Dedicated MAC Address in SKU.xml\n"},
        {&SkuContext::shareMac, "<Interface2 role=\"shared\">" + mac,
         "Error! Not found Shared MAC Address in SKU.xml\n"},
        {&SkuContext::chassisSerialNumber,
         "<ChassisSerialNumber>CSN-PLACEHOLDER</ChassisSerialNumber>",
         "Error! Not found Chassis Serial Number in SKU.xml\n"},
        {&SkuContext::chassisPartNumber, "<ChassisPartNumber>CH-2U-0417</ChassisPartNumber>",
         "Error! Not found Chassis Part Number in SKU.xml\n"},
        {&SkuContext::boardSerialNumber, "<BoardSerialNumber>BSN-PLACEHOLDER</BoardSerialNumber>",
         "Error! Not found Board Serial Number in SKU.xml\n"},
        {&SkuContext::boardPartNumber, "<BoardPartNumber>MB-TN4-0420</BoardPartNumber>",
         "Error! Not found Board Part Number in SKU.xml\n"},
        {&SkuContext::productSerialNumber,
         "<ProductSerialNumber>PSN-PLACEHOLDER</ProductSerialNumber>",
         "Error! Not found Product Serial Number in SKU.xml\n"},
        {&SkuContext::productPartNumber, "<ProductPartNumber>SYS-TN4-2U</ProductPartNumber>",
         "Error! Not found Product Part Number in SKU.xml\n"},
        {&SkuContext::assetTag, "<AssetTag></AssetTag>", "Error! Not found AssetTag in SKU.xml\n"},
        {&SkuContext::rmcUnit, "<RMCUnit>0</RMCUnit>", "Error! Not found RMC Unit in SKU.xml\n"},
        {&SkuContext::nodeUnit, "<NodeUnit>1</NodeUnit>",
         "Error! Not found Node Unit in SKU.xml\n"},
        {&SkuContext::powerBank, "<PowerBank>A</PowerBank>",
         "Error! Not found Power bank in SKU.xml\n"},
        {&SkuContext::productVersion, "<ProductVersion>1.0</ProductVersion>",
         "Error! Not found Product Version in SKU.xml\n"},
    };
    for (const Case& c : cases) {
        testsupport::ScratchDir runDir;
        memset(&context, 0, sizeof context);
        // Of a MAC address only the MacAddr0 element goes; its interface stays.
        bool isInterface = c.element.rfind("<Interface", 0) == 0;
        std::string kept = isInterface ? c.element.substr(0, c.element.find('>') + 1) : "";
        std::string description = replaced(example, c.element, kept);
        context.*c.field = "001122334455";
        // Rows after the failing one are neither applied nor looked for: the
        // product version's element is missing too, and its message must not
        // follow.
        if (c.field != &SkuContext::productVersion) {
            description = replaced(description, "<ProductVersion>1.0</ProductVersion>", "");
            context.productVersion = "9";
        }
        skuTest::RunResult run = runSku(description, &context);
        EXPECT_EQ(run.status, 2) << c.output;
        EXPECT_EQ(run.output, c.output);
        EXPECT_TRUE(noOutputs()) << c.output;
    }
}

TEST_F(ProcessSku, EmptyWriteSelectionIsAValue) {
    context.writeSelection = "";
    skuTest::RunResult run = runSku(example, &context);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(readText("mysku.xml").find("      <WriteSelection/>\n"), std::string::npos);
    EXPECT_EQ(mergedText("/VELSKU/Requirement/WriteSelection"), "");
}

TEST_F(ProcessSku, ManufacturingDateAndItsEnd) {
    struct Case {
        int64_t clock;
        bool unreadable;
        Bytes date;
        std::string output;
    };
    const std::string warning =
        "Warning! The clock is past 2027-11-24 20:15, the last FRU manufacturing date; the date "
        "is left unspecified\n";
    const int64_t lastMinute = START_OF_1996 + 0xFFFFFFLL * 60;
    const Case cases[] = {
        {START_OF_1996 + 60, false, {0x01, 0x00, 0x00}, "\n"},
        {START_OF_1996 + 0x123456LL * 60 + 59, false, {0x56, 0x34, 0x12}, "\n"},
        {lastMinute, false, {0xFF, 0xFF, 0xFF}, "\n"},
        {lastMinute + 60, false, {0x00, 0x00, 0x00}, warning + "\n"},
        // Not later than the reference: the clock's own minutes since 1970,
        // 13674240 (0xD0A700).
        {START_OF_1996, false, {0x00, 0xA7, 0xD0}, "\n"},
        {0, true, {0x00, 0x00, 0x00}, "\n"},
    };
    for (const Case& c : cases) {
        testsupport::ScratchDir runDir;
        sim::resetBoard();
        sim::setWallClock(c.clock);
        sim::setWallClockUnreadable(c.unreadable);
        skuTest::RunResult run = runSku(example, &context);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, c.output);
        Bytes fru = fruEntry();
        EXPECT_EQ(skuTest::boardDate(fru), c.date) << c.clock;
        decodedFru(fru);
    }
}

TEST_F(ProcessSku, AbsentFruTextsGiveEmptyFields) {
    std::string description = example;
    const char* elements[] = {
        "<ChassisPartNumber>CH-2U-0417</ChassisPartNumber>",
        "<BoardManufacturerName>Korvalen</BoardManufacturerName>",
        "<ProductVersion>1.0</ProductVersion>",
        "<RandCode>R7Q2-KX91</RandCode>",
        "<ID>TN4MB-0420</ID>",
    };
    for (const char* element : elements)
        description = replaced(description, element, "");
    skuTest::RunResult run = runSku(description, &context);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_STREQ(context.randCode, "");
    EXPECT_STREQ(context.boardId, "");
    Bytes fru = fruEntry();
    EXPECT_EQ(fru.at(8 + 3), 0xC0);
    std::string report = decodedFru(fru);
    EXPECT_EQ(report.find("Chassis Part Number"), std::string::npos) << report;
    EXPECT_NE(report.find("FRU Board Product Name: TN4 Mainboard\n"), std::string::npos) << report;
}

TEST_F(ProcessSku, UnwritableDescriptionFileAndOutOfMemoryLeaveNoHalfRun) {
    testsupport::ScratchDir runDir;
    ASSERT_EQ(mkdir("mysku.xml", 0700), 0);
    skuTest::RunResult blocked = runSku(example, &context);
    EXPECT_EQ(blocked.status, -12);
    EXPECT_EQ(blocked.output, "Error! Can't create mysku.xml\n");
    EXPECT_FALSE(testsupport::fileExists("SKU.BIN"));
    rmdir("mysku.xml");

    // Every allocation of the XML tree and its printer failing in turn: each
    // run ends with -12, writes no SKU.BIN and holds no block afterwards.
    std::string messages;
    int status = -12;
    for (long n = 0; status != 0 && n < 500; ++n) {
        testsupport::ScratchDir attemptDir;
        memset(&context, 0, sizeof context);
        context.chassisSerialNumber = "CSN";
        xmlFailAllocationAfter(n);
        skuTest::RunResult run = runSku(example, &context);
        xmlFailAllocationAfter(-1);
        status = run.status;
        if (status == 0)
            break;
        EXPECT_EQ(status, -12) << run.output;
        EXPECT_FALSE(testsupport::fileExists("SKU.BIN"));
        messages += run.output;
    }
    EXPECT_EQ(status, 0);
    EXPECT_NE(messages.find("Error! Not enough memory\n"), std::string::npos);
    EXPECT_NE(messages.find("Error! Can't create writer for xml\n"), std::string::npos);
    EXPECT_NE(messages.find("Error! Can't create printer for xml\n"), std::string::npos);
}
