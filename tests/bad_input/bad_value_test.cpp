// Values that do not fit where they go: over-long serial numbers and
// identity texts, one-byte FRU texts, malformed MAC addresses.
#include <string>

#include "tests/bad_input/pelgrin_run.h"
#include "tests/sku/sku_run_support.h"

namespace badinput {
namespace {

using skuTest::exampleDescription;
using skuTest::replaced;
using testsupport::writeFile;

class BadValue : public PelgrinRun {
  protected:
    void SetUp() override {
        PelgrinRun::SetUp();
        writeFile("SKU.xml", exampleDescription());
    }
};

const char ONE_BYTE_REFUSAL[] =
    " is one character outside 0x20-0x5F, which a FRU field cannot hold\n";

// Given values are refused before any file changes; the description's own
// texts in the reading phase, before mysku.xml is opened.
TEST_F(BadValue, ValuesThatCannotGoIntoTheFruOrTheRecordAreRefused) {
    struct Case {
        std::vector<std::string> words;
        std::pair<std::string, std::string> edit;  // of the example; empty: none
        int status;
        std::string message;
    };
    const std::string long64(64, 'S');
    const std::string utf8Of64Bytes = [] {
        std::string text;
        for (int i = 0; i < 32; ++i)
            text += "\xC3\xA9";
        return text;
    }();
    const Case cases[] = {
        {{"CSN=" + long64}, {}, 3, "Error! The CSN value is longer than 63 bytes\n"},
        {{"BSN=" + long64}, {}, 3, "Error! The BSN value is longer than 63 bytes\n"},
        {{"PSN=" + long64}, {}, 3, "Error! The PSN value is longer than 63 bytes\n"},
        {{"PSN=" + utf8Of64Bytes}, {}, 3, "Error! The PSN value is longer than 63 bytes\n"},
        {{"BSN=" + std::string(100000, 'B')},
         {},
         3,
         "Error! The BSN value is longer than 63 bytes\n"},
        {{"BSN=a"}, {}, 3, std::string("Error! The BSN value") + ONE_BYTE_REFUSAL},
        {{"CSN=~"}, {}, 3, std::string("Error! The CSN value") + ONE_BYTE_REFUSAL},
        {{"BSN=AB\tC"}, {}, 3, "Error! The BSN value holds control character 0x09 at position 3\n"},
        {{"MainMAC=021B2C3D4E5F\t"},
         {},
         3,
         "Error! The MainMAC value holds control character 0x09 at position 13\n"},
        {{"PSN=\x01"}, {}, 3, "Error! The PSN value holds control character 0x01 at position 1\n"},
        {{"CPN=part\x07"},
         {},
         3,
         "Error! The CPN value holds control character 0x07 at position 5\n"},
        {{"CSN=C\x1B[0m"},
         {},
         3,
         "Error! The CSN value holds control character 0x1B at position 2\n"},
        {{"PV=\xC3\xA9\xE7\xB5\x84\x7F"},
         {},
         3,
         "Error! The PV value holds control character 0x7F at position 3\n"},
        {{"WS=FRU_AREA\r\n"},
         {},
         3,
         "Error! The WS value holds control character 0x0D at position 9\n"},
        {{"BSN=B1", "ASSET=" + std::string(40, 'A') + "\n"},
         {},
         3,
         "Error! The ASSET value holds control character 0x0A at position 41\n"},
        {{"BSN=B1"},
         {"<RandCode>R7Q2-KX91</RandCode>", "<RandCode>0123456789ABCDEF</RandCode>"},
         2,
         "Error! RandCode in SKU.xml is longer than 15 characters\n"},
        {{"BSN=B1"},
         {"<ID>TN4MB-0420</ID>", "<ID>TN4MB-0420-REV-A</ID>"},
         2,
         "Error! BoardInfo/Main/ID in SKU.xml is longer than 15 characters\n"},
        {{"BSN=B1"},
         {"<ProductName>Tarn 4 Rack Server</ProductName>",
          "<ProductName>" + std::string(64, 'P') + "</ProductName>"},
         2,
         "Error! FRU/ProductName in SKU.xml is longer than 63 bytes\n"},
        {{"BSN=B1"},
         {"<BoardManufacturerName>Korvalen</BoardManufacturerName>",
          "<BoardManufacturerName>" + std::string(5000, 'K') + "</BoardManufacturerName>"},
         2,
         "Error! FRU/BoardManufacturerName in SKU.xml is longer than 63 bytes\n"},
        {{"BSN=B1"},
         {"<AssetTag></AssetTag>", "<AssetTag>a</AssetTag>"},
         2,
         std::string("Error! FRU/AssetTag in SKU.xml") + ONE_BYTE_REFUSAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        leaveEarlierOutputs();
        std::string description = exampleDescription();
        if (!c.edit.first.empty())
            description = replaced(description, c.edit.first, c.edit.second);
        writeFile("SKU.xml", description);
        std::vector<std::string> words = c.words;
        words.push_back("DSBSHM");
        PelgrinOutcome outcome = run(words);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.output, c.message);
        // A refused value is refused with the words; a description that
        // fails later has already cost the earlier unit's outputs.
        EXPECT_EQ(filesLeft(), c.status == 3 ? EARLIER_OUTPUTS_UNTOUCHED : "");
    }
}

// The limits themselves pass: the same fields at their longest, and one-byte
// texts that the FRU's packed form can hold.
TEST_F(BadValue, ValuesAtTheLimitsAreWritten) {
    std::string description = replaced(exampleDescription(), "<RandCode>R7Q2-KX91</RandCode>",
                                       "<RandCode>0123456789ABCDE</RandCode>");
    description = replaced(description, "<AssetTag></AssetTag>", "<AssetTag>A</AssetTag>");
    description = replaced(description, "<ProductName>Tarn 4 Rack Server</ProductName>",
                           "<ProductName>" + std::string(63, 'P') + "</ProductName>");
    writeFile("SKU.xml", description);
    PelgrinOutcome outcome =
        run({"CSN=" + std::string(63, 'C'), "BSN=B", "PSN=" + std::string(63, 'P'),
             "CPN=" + std::string(1000, 'X'), "DSBSHM"});
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(filesLeft(), "SKU.BIN mysku.xml mysku.xml.gz");
    // A part number never reaches the FRU image, so its length is not limited.
    EXPECT_NE(testsupport::readText("mysku.xml").find(std::string(1000, 'X')), std::string::npos);
}

// A value written into mysku.xml must be XML character data, or the
// description that travels to the BMC would not parse.
TEST_F(BadValue, ValuesThatXmlCannotCarryAreRefused) {
    const char* refused[] = {
        "WS=\xE5",                 // a Latin-1 byte, not UTF-8
        "PV=\xC0\xAF",             // overlong form of "/"
        "RU=\xED\xA0\x80",         // a UTF-16 surrogate
        "NU=\xEF\xBF\xBF",         // U+FFFF
        "ASSET=\xF4\x90\x80\x80",  // past U+10FFFF
    };
    const char* keywords[] = {"WS", "PV", "RU", "NU", "ASSET"};
    for (size_t i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
        SCOPED_TRACE(refused[i]);
        leaveEarlierOutputs();
        PelgrinOutcome outcome = run({refused[i], "DSBSHM"});
        EXPECT_EQ(outcome.status, 3);
        EXPECT_EQ(outcome.output, std::string("Error! The ") + keywords[i] +
                                      " value holds a character that mysku.xml cannot carry\n");
        EXPECT_EQ(filesLeft(), EARLIER_OUTPUTS_UNTOUCHED);
    }
}

TEST_F(BadValue, TextOutsideAsciiAndBlanksAreCarried) {
    PelgrinOutcome outcome =
        run({"CPN=Saint-\xC3\x89tienne \xE7\xB5\x84", "PV=1 2", "RU=\xF0\x9F\x94\xA7", "DSBSHM"});
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    std::string written = testsupport::readText("mysku.xml");
    EXPECT_NE(
        written.find("<ChassisPartNumber>Saint-\xC3\x89tienne \xE7\xB5\x84</ChassisPartNumber>"),
        std::string::npos);
    EXPECT_NE(written.find("<ProductVersion>1 2</ProductVersion>"), std::string::npos);
    EXPECT_NE(written.find("<RMCUnit>\xF0\x9F\x94\xA7</RMCUnit>"), std::string::npos);
}

// Checked before SKU.xml is read: no file changes.
TEST_F(BadValue, MalformedMacAddressesAreRefusedFirst) {
    struct Case {
        std::string word;
        const char* keyword;
    };
    const Case cases[] = {
        {"MainMAC=00112233445", "MainMAC"},        // 11 digits
        {"MainMAC=0011223344556", "MainMAC"},      // 13 digits
        {"MainMAC=00:11:22:33:44:55", "MainMAC"},  // already separated
        {"MainMAC=00112233445G", "MainMAC"},       // not hexadecimal
        {"MainMAC=", "MainMAC"},                   // empty
        {"MainMAC=0011 2233 4455", "MainMAC"},     // blanks inside one word
        {"ShareMAC=0x1122334455", "ShareMAC"},     // a prefix
        {"ShareMAC=" + std::string(5000, 'F'), "ShareMAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word.substr(0, 40));
        leaveEarlierOutputs();
        PelgrinOutcome outcome = run({"BSN=B1", c.word, "DSBSHM"});
        EXPECT_EQ(outcome.status, 3);
        EXPECT_EQ(outcome.output,
                  std::string("Error! ") + c.keyword + " must be 12 hexadecimal digits\n");
        EXPECT_EQ(filesLeft(), EARLIER_OUTPUTS_UNTOUCHED);
    }
    leaveEarlierOutputs();
    PelgrinOutcome accepted = run({"MainMAC=aabbccddeeff", "ShareMAC=00AA11BB22CC", "DSBSHM"});
    EXPECT_EQ(accepted.status, 0) << accepted.output;
    EXPECT_EQ(filesLeft(), "SKU.BIN mysku.xml mysku.xml.gz");
}

}  // namespace
}  // namespace badinput
