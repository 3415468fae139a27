// SKU.xml files that cannot be used, or that try to make the tool use too much
// time, memory or disk, through the whole program.
#include <cstdio>
#include <string>

#include "tests/bad_input/pelgrin_run.h"
#include "tests/sku/sku_run_support.h"

namespace badinput {
namespace {

using skuTest::exampleDescription;
using skuTest::replaced;
using testsupport::fileExists;
using testsupport::readText;
using testsupport::writeFile;

const std::vector<std::string> WORDS = {"BSN=BSN-0001", "DSBSHM"};

// The example behind a DTD of `entities`, with `reference` as the text of
// its Site element.
std::string withEntities(const std::string& entities, const std::string& reference) {
    std::string body = exampleDescription();
    body = body.substr(body.find("?>") + 2);
    body = replaced(body, "Usine de Saint-Étienne — ligne 3 (組立)", reference);
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE VELSKU [\n" + entities + "]>" + body;
}

// Ten references per level, ten levels: 3 * 10^10 bytes from one reference.
std::string billionLaughs() {
    std::string entities = "<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 10; ++level) {
        entities += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            entities += "&lol" + std::to_string(level - 1) + ";";
        entities += "\">\n";
    }
    return withEntities(entities, "&lol10;");
}

// One 100 KB entity referenced 100,000 times: 10 GB from a 400 KB file.
std::string quadraticBlowUp() {
    std::string references;
    for (int i = 0; i < 100000; ++i)
        references += "&a;";
    return withEntities("<!ENTITY a \"" + std::string(100000, 'x') + "\">\n", references);
}

// Each entity the previous one: expanding the last recurses `count` deep.
std::string entityChain(int count) {
    std::string entities = "<!ENTITY e0 \"end\">\n";
    for (int i = 1; i < count; ++i)
        entities += "<!ENTITY e" + std::to_string(i) + " \"&e" + std::to_string(i - 1) + ";\">\n";
    return withEntities(entities, "&e" + std::to_string(count - 1) + ";");
}

// External entities and an external DTD, both naming files that exist.
std::string externalEntities() {
    writeFile("secret.txt", "SECRET-BYTES");
    writeFile("secret.dtd", "<!ENTITY leak \"SECRET-DTD\">");
    std::string description = withEntities(
        "<!ENTITY x SYSTEM \"secret.txt\">\n<!ENTITY y SYSTEM \"/etc/passwd\">\n", "a&x;b&y;c");
    return replaced(description, "<!DOCTYPE VELSKU [", "<!DOCTYPE VELSKU SYSTEM \"secret.dtd\" [");
}

// The example padded with an unread element to exactly `size` bytes.
std::string descriptionOfSize(size_t size) {
    return descriptionWithNoise(size - descriptionWithNoise(0).size());
}

std::string nested(const std::string& name, int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<" + name + ">";
    text += "deep";
    for (int i = 0; i < levels; ++i)
        text += "</" + name + ">";
    return text;
}

std::string binaryBytes() {
    std::string bytes = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 167 + 13) & 0xFF);
    return bytes;
}

class BadDescription : public PelgrinRun {};

const char DOCTYPE_REFUSAL[] =
    "Error! SKU.xml holds a DOCTYPE; DTDs and entity declarations are refused\n";
const char SIZE_REFUSAL[] = "Error! SKU.xml is larger than 1048576 bytes\n";

// Each is refused before mysku.xml is opened: the earlier unit's SKU.BIN and
// mysku.xml are gone (deleted at start), only its mysku.xml.gz, which no run
// deletes, is left untouched.
TEST_F(BadDescription, UnusableDescriptionsAreRefusedBeforeAnyOutput) {
    struct Case {
        const char* name;
        std::string description;  // "-" for no SKU.xml at all
        int status;
        const char* message;
    };
    const std::string example = exampleDescription();
    const Case cases[] = {
        {"missing", "-", -2, "SKU.xml: No Such File or Directory!\n"},
        {"empty", "", 2, "Unable to parse SKU.xml!\n"},
        {"white space only", " \n\t\n", 2, "Unable to parse SKU.xml!\n"},
        {"binary", binaryBytes(), 2, "Unable to parse SKU.xml!\n"},
        {"truncated", example.substr(0, example.size() / 2), 2, "Unable to parse SKU.xml!\n"},
        {"cut inside a tag", example.substr(0, example.find("<FRU>") + 3), 2,
         "Unable to parse SKU.xml!\n"},
        {"billion laughs", billionLaughs(), 2, DOCTYPE_REFUSAL},
        {"quadratic blow-up", quadraticBlowUp(), 2, DOCTYPE_REFUSAL},
        {"chain of 30,000 entities", entityChain(30000), 2, DOCTYPE_REFUSAL},
        {"external entities and DTD", externalEntities(), 2, DOCTYPE_REFUSAL},
        {"DOCTYPE declaring nothing", withEntities("", "site"), 2, DOCTYPE_REFUSAL},
        {"chain of 50,000 entities (1.4 MB)", entityChain(50000), 2, SIZE_REFUSAL},
        {"1 MiB and one byte", descriptionOfSize((1 << 20) + 1), 2, SIZE_REFUSAL},
        {"50 MB", descriptionWithNoise(size_t{50} << 20), 2, SIZE_REFUSAL},
        {"100,000 levels under another root", nested("E", 100000), 2,
         "Error! The root element of SKU.xml is E, not VELSKU\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        leaveEarlierOutputs();
        std::remove("SKU.xml");
        if (c.description != "-")
            writeFile("SKU.xml", c.description);
        PelgrinOutcome outcome = run(WORDS);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.output, c.message);
        EXPECT_EQ(filesLeft(), "");  // the earlier unit's outputs are gone too
    }
}

// A description that loads but whose compressed copy does not fit the image:
// mysku.xml and mysku.xml.gz are this run's, SKU.BIN is not written at all.
// 1 MiB exactly is still read.
TEST_F(BadDescription, HugeDescriptionsStopAtTheImageSize) {
    for (size_t size : {size_t{60000}, size_t{1} << 20}) {
        SCOPED_TRACE(size);
        leaveEarlierOutputs();
        writeFile("SKU.xml", descriptionOfSize(size));
        PelgrinOutcome outcome = run(WORDS);
        EXPECT_EQ(outcome.status, 1);
        long gzSize = static_cast<long>(readText("mysku.xml.gz").size());
        int reported = 0;
        ASSERT_EQ(
            sscanf(outcome.output.c_str(), "\nError! SKU.BIN is too big (size = %d\n)", &reported),
            1)
            << outcome.output;
        EXPECT_EQ(outcome.output,
                  "\nError! SKU.BIN is too big (size = " + std::to_string(reported) + "\n)");
        EXPECT_GT(reported, 32768);
        EXPECT_EQ(reported % 64, 0);
        EXPECT_GE(reported, gzSize + 256);
        EXPECT_EQ(filesLeft(), "mysku.xml mysku.xml.gz");
        EXPECT_GT(readText("mysku.xml").size(), size - descriptionWithNoise(0).size());
    }
}

// mysku.xml grows with the nesting depth only up to a fixed indentation:
// 75,000 levels (as many as fit in the largest SKU.xml read) used to print
// 1.7 * 10^10 blanks. 5,000 levels, which used to print 75 MB, come first so
// that a regression fails fast.
TEST_F(BadDescription, DeepNestingPrintsInLinearSpace) {
    for (int levels : {5000, 75000}) {
        SCOPED_TRACE(levels);
        leaveEarlierOutputs();
        writeFile("SKU.xml", replaced(exampleDescription(), "</VELSKU>",
                                      nested("Deep", levels) + "</VELSKU>"));
        PelgrinOutcome outcome = run(WORDS);
        ASSERT_LT(readText("mysku.xml").size(), 300u * levels);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(from(outcome.output, "Error!").rfind("Error! SKU.BIN is too big (size = ", 0), 0u)
            << outcome.output;
        EXPECT_EQ(filesLeft(), "mysku.xml mysku.xml.gz");
        EXPECT_NE(readText("mysku.xml").find("deep</Deep>"), std::string::npos);
    }
}

}  // namespace
}  // namespace badinput
