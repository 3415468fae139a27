#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pelgrin/image/fru_reader.h"
#include "pelgrin/image/sku_layout.h"
#include "skubin/skubin_report.h"
#include "tests/image/ipmi_fru_decoder.h"
#include "tests/skubin/skubin_image.h"
#include "tests/support/scratch_dir.h"

using skubinTest::fixEntryChecksum;
using skubinTest::fixHeaderChecksum;
using skubinTest::makeFru;
using skubinTest::makeImage;
using skubinTest::runOn;
using skubinTest::SkubinRun;
using testsupport::ScratchDir;
typedef std::vector<uint8_t> Bytes;

namespace {

uint32_t entryField(const Bytes& image, int entry, int field) {
    return skuGet24(&image[SKU_DIRECTORY_OFFSET + (entry - 1) * SKU_ENTRY_SIZE + field]);
}

void setEntryField(Bytes* image, int entry, int field, uint32_t value) {
    skuPut24(&(*image)[SKU_DIRECTORY_OFFSET + (entry - 1) * SKU_ENTRY_SIZE + field], value);
}

uint32_t fruAt(const Bytes& image) {
    return entryField(image, 2, SKU_ENTRY_DATA_OFFSET);
}

uint32_t gzAt(const Bytes& image) {
    return entryField(image, 3, SKU_ENTRY_DATA_OFFSET);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(SkubinReport, IntactImageIsDecodedAndPasses) {
    ScratchDir scratch;
    Bytes image = makeImage();
    ASSERT_FALSE(image.empty());
    SkubinRun run = runOn(image);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.err, "");
    for (const char* line :
         {"  maker KORVALEN\n", "  entry count 3\n", "  header checksum 0x", " OK\n",
          "  entry 2: \"NVRAM_FRU00.dat\"\n    offset 0x000100",
          "    chassis type       0x17 Rack Mount Chassis\n",
          "    serial number      6-bit ASCII   1 bytes  \"C\"\n",
          "    mfg date/time      2024-12-31 23:59 UTC (0xE8C19F minutes since 1996-01-01)\n",
          "    version            6-bit ASCII   1 bytes  \"V\"\n",
          "  Board ID                : BID-7\n", "  Rand Code               : RC123\n",
          "  Main MAC Address        : 00:11:22:33:44:55\n",
          "  Share MAC Address       : 00:11:22:33:44:56\n",
          "  Write Selection         : (empty)\n", "  ProductPartNumber       : PPN\n",
          "Result: OK\n"})
        EXPECT_TRUE(contains(run.out, line)) << "missing: " << line << "\n" << run.out;
    EXPECT_FALSE(contains(run.out, "BAD")) << run.out;
}

TEST(SkubinReport, ExtractWritesTheFruImageAndTheInflatedDescription) {
    ScratchDir scratch;
    Bytes image = makeImage();
    SkubinRun run = runOn(image, {"--extract", "out"});
    ASSERT_EQ(run.status, 0) << run.out;
    Bytes fru(image.begin() + fruAt(image),
              image.begin() + fruAt(image) + entryField(image, 2, SKU_ENTRY_DATA_SIZE));
    EXPECT_EQ(testsupport::readFile("out/NVRAM_FRU00.dat"), fru);
    EXPECT_EQ(testsupport::readText("out/sku.xml"), skubinTest::DESCRIPTION);
    EXPECT_EQ(testsupport::readFile("out/sku.xml.gz").size(),
              entryField(image, 3, SKU_ENTRY_DATA_SIZE));
}

TEST(SkubinReport, FruDecodingAgreesWithIpmiFruFieldForField) {
    ScratchDir scratch;
    Bytes image = makeImage();
    Bytes fru(image.begin() + fruAt(image),
              image.begin() + fruAt(image) + entryField(image, 2, SKU_ENTRY_DATA_SIZE));
    imageTest::DecoderRun decoded = imageTest::decode(fru);
    ASSERT_TRUE(decoded.ran) << "ipmi-fru (freeipmi-tools) must be installed";
    EXPECT_TRUE(decoded.errors.empty());
    FruImageView view;
    ASSERT_EQ(fruReadImage(fru.data(), fru.size(), &view), FRU_READ_OK);
    const std::vector<std::pair<const FruAreaView*, std::vector<const char*>>> names = {
        {&view.chassis, {"FRU Chassis Part Number", "FRU Chassis Serial Number"}},
        {&view.board,
         {"FRU Board Manufacturer", "FRU Board Product Name", "FRU Board Serial Number",
          "FRU Board Part Number"}},
        {&view.product,
         {"FRU Product Manufacturer Name", "FRU Product Name", "FRU Product Part/Model Number",
          "FRU Product Version", "FRU Product Serial Number", "FRU Product Asset Tag"}},
    };
    size_t compared = 0;
    for (const auto& area : names) {
        for (size_t i = 0; i < area.second.size(); ++i) {
            char text[FRU_FIELD_TEXT_MAX];
            fruFieldText(fru.data(), fru.size(), &area.first->fields[i], text, sizeof(text));
            EXPECT_EQ(decoded.fields[area.second[i]], text) << area.second[i];
            compared++;
        }
    }
    EXPECT_EQ(compared, 12u);
    EXPECT_EQ(decoded.fields["FRU Chassis Type"], smbiosChassisTypeName(view.chassis.typeByte));
}

TEST(SkubinDefects, EachDamageGivesItsStatusAndReason) {
    struct Case {
        const char* what;
        std::function<void(Bytes*)> damage;
        int status;
        const char* reason;  // part of the result line
    };
    const Case cases[] = {
        {"not an image", [](Bytes* b) { (*b)[0] = 'X'; }, SKUBIN_NOT_AN_IMAGE, "maker text"},
        {"header checksum flipped", [](Bytes* b) { (*b)[SKU_CHECKSUM_OFFSET] ^= 0xFF; },
         SKUBIN_BAD_HEADER, "header checksum"},
        {"reserved byte set", [](Bytes* b) { (*b)[0x50] = 1; }, SKUBIN_BAD_HEADER,
         "reserved header byte 0x050 is 0x01"},
        {"size field past the end",
         [](Bytes* b) {
             skuPut24(&(*b)[SKU_SIZE_OFFSET], b->size() + 64);
             fixHeaderChecksum(b);
         },
         SKUBIN_TRUNCATED, "the file ends at"},
        {"file cut short", [](Bytes* b) { b->resize(b->size() - 100); }, SKUBIN_TRUNCATED,
         "the file ends at"},
        {"file cut inside the header", [](Bytes* b) { b->resize(100); }, SKUBIN_TRUNCATED,
         "the file ends at 0x000064, inside the 256-byte header"},
        {"older image appended (a stale append)",
         [](Bytes* b) {
             Bytes older = *b;
             b->insert(b->end(), older.begin(), older.end());
         },
         SKUBIN_TRAILING_BYTES, "bytes follow the image size 0x"},
        {"one byte after the image", [](Bytes* b) { b->push_back(0); }, SKUBIN_TRAILING_BYTES,
         "1 bytes follow the image size"},
        {"FRU entry checksum flipped", [](Bytes* b) { (*b)[0xC0 + 30] ^= 0xFF; },
         SKUBIN_BAD_ENTRY_CHECKSUM, "entry 2 (NVRAM_FRU00.dat) checksum"},
        {"description entry checksum flipped", [](Bytes* b) { (*b)[0xE0 + 31] ^= 0x01; },
         SKUBIN_BAD_ENTRY_CHECKSUM, "entry 3 (sku.xml.gz) checksum"},
        {"entry outside the image",
         [](Bytes* b) { setEntryField(b, 3, SKU_ENTRY_DATA_OFFSET, b->size()); }, SKUBIN_BAD_ENTRY,
         "entry 3 data"},
        {"entry renamed", [](Bytes* b) { (*b)[0xC0] = 'X'; }, SKUBIN_BAD_ENTRY,
         "entry 2 is named \"XVRAM_FRU00.dat\""},
        {"FRU header checksum flipped",
         [](Bytes* b) {
             (*b)[fruAt(*b) + 7] ^= 0xFF;
             fixEntryChecksum(b, 2);
         },
         SKUBIN_BAD_FRU, "FRU common header: common header checksum"},
        {"FRU chassis checksum flipped",
         [](Bytes* b) {
             size_t chassis = fruAt(*b) + (*b)[fruAt(*b) + 2] * 8;
             (*b)[chassis + (*b)[chassis + 1] * 8 - 1] ^= 0xFF;
             fixEntryChecksum(b, 2);
         },
         SKUBIN_BAD_FRU, "FRU chassis area: area checksum does not sum to 0 at FRU offset 0x01F"},
        {"FRU product checksum flipped",
         [](Bytes* b) {
             size_t product = fruAt(*b) + (*b)[fruAt(*b) + 4] * 8;
             (*b)[product + (*b)[product + 1] * 8 - 1] ^= 0x10;
             fixEntryChecksum(b, 2);
         },
         SKUBIN_BAD_FRU, "FRU product area: area checksum"},
        {"gzip cut short",
         [](Bytes* b) {
             setEntryField(b, 3, SKU_ENTRY_DATA_SIZE, entryField(*b, 3, SKU_ENTRY_DATA_SIZE) - 9);
             fixEntryChecksum(b, 3);
         },
         SKUBIN_BAD_GZIP, "the gzip stream is cut short"},
        {"gzip data damaged",
         [](Bytes* b) {
             (*b)[gzAt(*b) + 40] ^= 0x55;
             fixEntryChecksum(b, 3);
         },
         SKUBIN_BAD_GZIP, "gzip data error"},
    };
    ScratchDir scratch;
    const Bytes intact = makeImage();
    ASSERT_FALSE(intact.empty());
    for (const Case& c : cases) {
        Bytes image = intact;
        c.damage(&image);
        SkubinRun run = runOn(image);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out;
        std::string result = run.out.substr(run.out.rfind("Result: "));
        EXPECT_TRUE(contains(result, c.reason)) << c.what << ": " << result;
        EXPECT_TRUE(contains(run.err, c.reason)) << c.what << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what;
    }
}

TEST(SkubinDefects, AFlippedAreaChecksumStillShowsTheOtherAreas) {
    ScratchDir scratch;
    Bytes image = makeImage();
    size_t chassis = fruAt(image) + image[fruAt(image) + 2] * 8;
    image[chassis + image[chassis + 1] * 8 - 1] ^= 0xFF;
    fixEntryChecksum(&image, 2);
    SkubinRun run = runOn(image);
    EXPECT_EQ(run.status, SKUBIN_BAD_FRU);
    EXPECT_TRUE(contains(run.out, " BAD\n  DEFECT: FRU chassis area: area checksum")) << run.out;
    EXPECT_TRUE(contains(run.out, "    serial number      8-bit ASCII   3 bytes  \"PSN\"\n"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "  Board ID                : BID-7\n")) << run.out;
}

TEST(SkubinDefects, BrokenXmlAndControlCharacters) {
    ScratchDir scratch;
    SkubinRun broken = runOn(makeImage("<VELSKU><RandCode>x</VELSKU>\n"));
    EXPECT_EQ(broken.status, SKUBIN_BAD_XML) << broken.out;
    EXPECT_TRUE(contains(broken.out, "description XML: mismatched tag at line 1")) << broken.out;
    SkubinRun control = runOn(makeImage("<VELSKU><RandCode>a\tb\x7F</RandCode></VELSKU>"));
    EXPECT_EQ(control.status, 0) << control.out;
    EXPECT_TRUE(contains(control.out, "  Rand Code               : a\\x09b\\x7F\n")) << control.out;
    EXPECT_TRUE(contains(control.out, "  Board ID                : (absent)\n"));
}

// The rest of the report still runs: the appended copy hides nothing of the
// image in front of it.
TEST(SkubinDefects, AnImageWithAnOlderOneAppendedIsReportedWhole) {
    ScratchDir scratch;
    Bytes twice = makeImage();
    Bytes second = twice;
    twice.insert(twice.end(), second.begin(), second.end());
    SkubinRun appended = runOn(twice);
    EXPECT_EQ(appended.status, SKUBIN_TRAILING_BYTES);
    EXPECT_TRUE(
        contains(appended.out, skubinFormat("  DEFECT: %zu bytes follow the image size 0x%06zX",
                                            second.size(), second.size())))
        << appended.out;
    EXPECT_TRUE(contains(appended.out, "  Board ID                : BID-7\n")) << appended.out;
    EXPECT_TRUE(contains(appended.out, "Result: trailing bytes (exit status 10): "))
        << appended.out;
}

TEST(SkubinDefects, AnyBytesGiveAReportNeverACrash) {
    ScratchDir scratch;
    const Bytes intact = makeImage();
    for (size_t size = 0; size < intact.size(); size += 7) {
        SkubinRun run = runOn(Bytes(intact.begin(), intact.begin() + size));
        EXPECT_NE(run.status, 0) << size;
        EXPECT_TRUE(contains(run.out, "Result: ")) << size;
    }
    std::mt19937 random(99);
    for (int round = 0; round < 600; ++round) {
        Bytes image = intact;
        for (int flips = 1 + random() % 4; flips > 0; --flips)
            image[random() % image.size()] = static_cast<uint8_t>(random());
        if (round % 3 == 0)
            image.resize(random() % image.size());
        SkubinRun run = runOn(image);
        EXPECT_GE(run.status, SKUBIN_OK);
        EXPECT_LE(run.status, SKUBIN_TRAILING_BYTES);
        EXPECT_TRUE(contains(run.out, "Result: "));
    }
}

TEST(SkubinArguments, UsageAndUnreadableFiles) {
    ScratchDir scratch;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runSkubin({}, out, err), SKUBIN_USAGE);
    EXPECT_EQ(err.str(), "usage: skubin FILE [--extract DIR | --against FRUFILE]\n");
    EXPECT_EQ(runSkubin({"a", "b"}, out, err), SKUBIN_USAGE);
    EXPECT_EQ(runSkubin({"SKU.BIN", "--extract"}, out, err), SKUBIN_USAGE);
    err.str("");
    EXPECT_EQ(runSkubin({"missing.bin"}, out, err), SKUBIN_USAGE);
    EXPECT_TRUE(contains(err.str(), "cannot open missing.bin")) << err.str();
    EXPECT_EQ(out.str(), "");
}

TEST(SkubinArguments, HelpAndVersionGoToStandardOutputWithStatusZero) {
    struct Case {
        std::vector<std::string> words;
        const char* firstLine;
    };
    const Case cases[] = {
        {{"--help"}, "usage: skubin FILE [--extract DIR | --against FRUFILE]\n"},
        {{"SKU.BIN", "--help"}, "usage: skubin FILE [--extract DIR | --against FRUFILE]\n"},
        {{"--version", "--help"}, "usage: skubin FILE [--extract DIR | --against FRUFILE]\n"},
        {{"--version"}, "skubin 1.2\n"},
    };
    ScratchDir scratch;
    for (const Case& c : cases) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runSkubin(c.words, out, err), SKUBIN_OK) << c.words[0];
        EXPECT_EQ(out.str().substr(0, out.str().find('\n') + 1), c.firstLine) << c.words[0];
        EXPECT_EQ(err.str(), "") << c.words[0];
    }
    std::ostringstream out;
    std::ostringstream err;
    runSkubin({"--help"}, out, err);
    EXPECT_TRUE(contains(out.str(), "10 bytes after the image size")) << out.str();
}

// --against: the FRU as a BMC gave it back, whole or changed, against the image's.
TEST(SkubinAgainst, MatchesOrNamesWhatDiffers) {
    ScratchDir scratch;
    Bytes image = makeImage();
    ASSERT_FALSE(image.empty());
    const uint32_t size = entryField(image, 2, SKU_ENTRY_DATA_SIZE);
    const Bytes fru(image.begin() + fruAt(image), image.begin() + fruAt(image) + size);
    FruImageView view;
    ASSERT_EQ(fruReadImage(fru.data(), fru.size(), &view), FRU_READ_OK);
    const FruFieldView& serial = view.board.fields[2];
    Bytes otherSerial = fru;
    otherSerial[serial.offset + 1]++;
    otherSerial[view.board.offset + view.board.length - 1]--;
    char serialText[FRU_FIELD_TEXT_MAX];
    char otherText[FRU_FIELD_TEXT_MAX];
    fruFieldText(fru.data(), fru.size(), &serial, serialText, sizeof serialText);
    fruFieldText(otherSerial.data(), otherSerial.size(), &serial, otherText, sizeof otherText);
    Bytes largerArea = fru;
    largerArea.resize(1024, 0xFF);
    // Another unit's FRU, longer for its longer serial, in a whole area.
    Bytes otherUnit = makeFru("BSN1-OTHER-UNIT-77");
    ASSERT_GT(otherUnit.size(), fru.size());
    otherUnit.resize(1024, 0xFF);
    const std::string match =
        "Verify: the BMC's FRU matches SKU.BIN (" + std::to_string(size) + " bytes)\n";
    struct Case {
        const char* name;
        Bytes held;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {"the same bytes", fru, SKUBIN_OK, match},
        {"a larger area behind them", largerArea, SKUBIN_OK, match},
        {"another serial number", otherSerial, SKUBIN_FRU_DIFFERS,
         std::string("Verify: board serial number: BMC holds \"") + otherText +
             "\", SKU.BIN has \"" + serialText + "\"\n"},
        {"another unit's longer serial", otherUnit, SKUBIN_FRU_DIFFERS,
         "Verify: board serial number: BMC holds \"BSN1-OTHER-UNIT-77\", SKU.BIN has "
         "\"BSN1\"\n"},
        {"cut short", Bytes(fru.begin(), fru.begin() + 100), SKUBIN_FRU_DIFFERS,
         "Verify: the BMC's FRU area holds 100 bytes, SKU.BIN's FRU image " + std::to_string(size) +
             "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::writeFile("held.dat", std::string(c.held.begin(), c.held.end()));
        SkubinRun run = runOn(image, {"--against", "held.dat"});
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
    }
    EXPECT_EQ(runOn(image, {"--against", "missing.dat"}).status, SKUBIN_USAGE);
    EXPECT_EQ(runOn(image, {"--against", "held.dat", "--extract", "x"}).status, SKUBIN_USAGE);
}
