// The run sequence: which words reach the value record, which statuses end a
// run, and what the operator sees, with the SKU processing and the channel
// replaced by doubles.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "pelgrin/frontend/banner_usage.h"
#include "pelgrin/frontend/pelgrin_main.h"
#include "tests/frontend/front_end_doubles.h"
#include "tests/support/scratch_dir.h"

using testsupport::captureStdout;
using testsupport::fileExists;
using testsupport::writeFile;

namespace {

struct RunResult {
    int status;
    std::string output;
};

RunResult runPelgrin(std::initializer_list<const char*> words, doubles::Script script = {}) {
    doubles::reset(script);
    // The record keeps pointers into the words, as the program does, so the
    // words outlive the run until the next one.
    static std::vector<std::string> storage;
    storage = {"pelgrin"};
    storage.insert(storage.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : storage)
        argv.push_back(word.data());
    RunResult run{};
    run.output = captureStdout(
        [&] { run.status = pelgrinMain(static_cast<int>(argv.size()), argv.data()); });
    return run;
}

std::string bannerAndUsage() {
    return captureStdout([] {
        printBanner();
        printUsage();
    });
}

class FrontEnd : public testing::Test {
  protected:
    testsupport::ScratchDir scratch;
};

TEST_F(FrontEnd, WithoutValuesPrintsUsageAndEndsWithSix) {
    for (auto words :
         {std::initializer_list<const char*>{}, std::initializer_list<const char*>{"DSBSHM"},
          std::initializer_list<const char*>{"csn=1"}, std::initializer_list<const char*>{"CSN"},
          std::initializer_list<const char*>{"unknown", "MainMAC"}}) {
        RunResult run = runPelgrin(words);
        EXPECT_EQ(run.status, 6);
        EXPECT_EQ(run.output, bannerAndUsage());
        EXPECT_EQ(doubles::record().processCalls, 0);
    }
}

TEST_F(FrontEnd, DeletesTheFourStaleFilesFirstAndNothingElse) {
    for (const char* name : {"SKU.BIN", "SKU.ZIP", "mysku.xml", "mysku.xmz", "mysku.xml.gz"})
        writeFile(name, "stale");
    EXPECT_EQ(runPelgrin({}).status, 6);
    EXPECT_FALSE(fileExists("SKU.BIN"));
    EXPECT_FALSE(fileExists("SKU.ZIP"));
    EXPECT_FALSE(fileExists("mysku.xml"));
    EXPECT_FALSE(fileExists("mysku.xmz"));
    EXPECT_TRUE(fileExists("mysku.xml.gz"));
}

TEST_F(FrontEnd, HelpEndsWithZeroAfterTheWordsBeforeIt) {
    writeFile("SKU.BIN", "stale");
    RunResult run = runPelgrin({"CSN=1", "help", "BSN=2"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, bannerAndUsage());
    EXPECT_EQ(doubles::record().processCalls, 0);
    EXPECT_FALSE(fileExists("SKU.BIN"));
}

TEST_F(FrontEnd, ValuesBeginOneSeparatorBehindTheKeyword) {
    runPelgrin({"CSN=A", "CSN=B", "CPN:123", "BSNX=1", "WS=", "PPN=p", "PN=name", "DSBSHM"});
    const SkuContext& seen = doubles::record().seen;
    EXPECT_STREQ(seen.chassisSerialNumber, "B");  // the last occurrence wins
    EXPECT_STREQ(seen.chassisPartNumber, "123");  // the separator is not examined
    EXPECT_STREQ(seen.boardSerialNumber, "=1");
    EXPECT_STREQ(seen.writeSelection, "");  // given and empty, not absent
    EXPECT_STREQ(seen.productPartNumber, "p");
    EXPECT_STREQ(seen.productName, "name");
    EXPECT_EQ(seen.productSerialNumber, nullptr);
    EXPECT_EQ(seen.mainMac, nullptr);
    EXPECT_TRUE(doubles::record().imageBufferZeroed);
}

TEST_F(FrontEnd, EveryValueKeywordReachesItsField) {
    runPelgrin({"MainMAC=001122334455", "ShareMAC=66778899AABB", "ASSET=a", "RU=r", "NU=n", "PB=b",
                "PV=v", "PSN=s", "BPN=q", "DSBSHM"});
    const SkuContext& seen = doubles::record().seen;
    EXPECT_STREQ(seen.mainMac, "001122334455");
    EXPECT_STREQ(seen.shareMac, "66778899AABB");
    EXPECT_STREQ(seen.assetTag, "a");
    EXPECT_STREQ(seen.rmcUnit, "r");
    EXPECT_STREQ(seen.nodeUnit, "n");
    EXPECT_STREQ(seen.powerBank, "b");
    EXPECT_STREQ(seen.productVersion, "v");
    EXPECT_STREQ(seen.productSerialNumber, "s");
    EXPECT_STREQ(seen.boardPartNumber, "q");
}

TEST_F(FrontEnd, MalformedMacIsRefusedBeforeAnythingIsRead) {
    struct Case {
        const char* word;
        const char* message;
    } cases[] = {
        {"MainMAC=00112233445", "Error! MainMAC must be 12 hexadecimal digits\n"},
        {"MainMAC=00:11:22:33:44:55", "Error! MainMAC must be 12 hexadecimal digits\n"},
        {"ShareMAC=0011223344GG", "Error! ShareMAC must be 12 hexadecimal digits\n"},
        {"ShareMAC=", "Error! ShareMAC must be 12 hexadecimal digits\n"},
    };
    for (const Case& c : cases) {
        RunResult run = runPelgrin({c.word, "DSBSHM"});
        EXPECT_EQ(run.status, 3) << c.word;
        EXPECT_EQ(run.output, captureStdout(printBanner) + c.message);
        EXPECT_EQ(doubles::record().processCalls, 0);
    }
}

TEST_F(FrontEnd, SummaryShowsGivenValuesInItsOwnOrder) {
    RunResult run = runPelgrin({"PV=7", "PN=Widget", "ASSET=AT1", "MainMAC=001122334455",
                                "ShareMAC=aabbccddeeff", "CSN=C1", "CPN=C2", "BSN=B1", "BPN=B2",
                                "PSN=P1", "PPN=P2", "RU=3", "NU=4", "PB=5", "WS=UPDATE", "DSBSHM"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, captureStdout(printBanner) +
                              "              Board ID     : BID-42\n"
                              "             Rand Code     : RC-7\n"
                              "      Main MAC Address     : 00:11:22:33:44:55\n"
                              "     Share MAC Address     : aa:bb:cc:dd:ee:ff\n"
                              "\n"
                              " Chassis Serial Number *   : C1\n"
                              " Chassis Part Number *   : C2\n"
                              " Board Serial Number *     : B1\n"
                              " Board Part Number *     : B2\n"
                              " Product Serial Number *   : P1\n"
                              " Product Part Number *   : P2\n"
                              " ASSET TAG *   : AT1\n"
                              " Product Name *   : Widget\n"
                              " RMC Unit *   : 3\n"
                              " Node Unit *   : 4\n"
                              " Power Bank *   : 5\n"
                              " Product Version *   : 7\n");
    EXPECT_EQ(doubles::record().channelOpens, 0);
}

TEST_F(FrontEnd, FailedProcessingEndsWithItsStatusAndNoSummary) {
    for (int status : {-2, 2, 5, -12, 1}) {
        RunResult run = runPelgrin({"CSN=1"}, {status, true, 0});
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(run.output, captureStdout(printBanner));
        EXPECT_EQ(doubles::record().channelOpens, 0);
    }
}

TEST_F(FrontEnd, UploadRunsThroughTheFileUploadChannel) {
    RunResult run = runPelgrin({"CSN=1"}, {0, true, 42});
    EXPECT_EQ(run.status, 42);
    EXPECT_EQ(doubles::record().channelKind, 0x22);
    EXPECT_EQ(doubles::record().operationPath, "SKU.BIN");
    std::string tail =
        "\n Chassis Serial Number *   : 1\n"
        "Writing SKU.BIN in Share memory ...\n"
        "Please wait 30 seconds at most\n";
    EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail);
}

TEST_F(FrontEnd, ChannelThatCannotOpenEndsWithSeven) {
    RunResult run = runPelgrin({"CSN=1"}, {0, false, 0});
    EXPECT_EQ(run.status, 7);
    std::string tail = "Please wait 30 seconds at most\nInitial SMem Request failed\n";
    EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail);
    EXPECT_EQ(doubles::record().operationPath, "");
}

// VERIFY checks after a successful upload, or instead of one with DSBSHM,
// wherever it stands; its status becomes the run's.
TEST_F(FrontEnd, VerifyFollowsTheUploadOrStandsInForIt) {
    struct Case {
        std::initializer_list<const char*> words;
        doubles::Script script;
        int status;
        int verifyCalls;
        bool afterUpload;
    };
    const Case cases[] = {
        {{"CSN=1"}, {0, true, 0, 8}, 0, 0, false},
        {{"VERIFY", "CSN=1"}, {0, true, 0, 8}, 8, 1, true},
        {{"CSN=1", "VERIFY", "DSBSHM"}, {0, true, 0, 9}, 9, 1, false},
        {{"CSN=1", "VERIFY"}, {0, true, 1, 0}, 1, 0, false},
        {{"CSN=1", "VERIFY=1", "VERIFYX", "verify"}, {0, true, 0, 8}, 0, 0, false},
        {{"VERIFY"}, {}, 6, 0, false},
    };
    for (const Case& c : cases) {
        RunResult run = runPelgrin(c.words, c.script);
        EXPECT_EQ(run.status, c.status) << *c.words.begin();
        EXPECT_EQ(doubles::record().verifyCalls, c.verifyCalls) << *c.words.begin();
        EXPECT_EQ(doubles::record().verifiedAfterUpload, c.afterUpload) << *c.words.begin();
    }
}

}  // namespace
