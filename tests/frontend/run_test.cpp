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

RunResult runPelgrinWords(const std::vector<std::string>& words, doubles::Script script = {}) {
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

RunResult runPelgrin(std::initializer_list<const char*> words, doubles::Script script = {}) {
    return runPelgrinWords(std::vector<std::string>(words.begin(), words.end()), script);
}

class FrontEnd : public testing::Test {
  protected:
    testsupport::ScratchDir scratch;
};

const char* const OUTPUTS[] = {"SKU.BIN", "SKU.ZIP", "mysku.xml", "mysku.xml.gz", "mysku.xmz"};

void writeStaleOutputs() {
    for (const char* name : OUTPUTS)
        writeFile(name, "stale");
}

int staleOutputsLeft() {
    int left = 0;
    for (const char* name : OUTPUTS)
        left += fileExists(name) ? 1 : 0;
    return left;
}

// Runs that end before any value is used: what they print after the banner,
// their status, and that they change no file (an earlier unit's outputs stay).
TEST_F(FrontEnd, RunsThatEndAtTheirWordsTouchNoFile) {
    const std::string usage = captureStdout(printUsage);
    struct Case {
        std::vector<const char*> words;
        int status;
        std::string afterBanner;
    } cases[] = {
        {{}, 6, usage},
        {{"DSBSHM", "VERIFY"}, 6, usage},
        {{"CSN=1", "help", "BSN=2", "unknown"}, 0, usage},
        {{"-h"}, 0, usage},
        {{"--help"}, 0, usage},
        {{"-?"}, 0, usage},
        {{"/?"}, 0, usage},
        {{"MainMac=021B2C3D4E5F", "BSN=BS001"},
         3,
         "Error! Unknown word \"MainMac=021B2C3D4E5F\"; did you mean MainMAC?\n"},
        {{"BSN=BS001", "DSBHSM"}, 3, "Error! Unknown word \"DSBHSM\"; did you mean DSBSHM?\n"},
        {{"BSNBS001"}, 3, "Error! Unknown word \"BSNBS001\"\n"},
        {{"CSN"}, 3, "Error! Unknown word \"CSN\"\n"},
        {{"CSNX=1"}, 3, "Error! Unknown word \"CSNX=1\"\n"},
        {{"csn=1"}, 3, "Error! Unknown word \"csn=1\"; did you mean CSN?\n"},
        {{"CSN=1", "dsbshm"}, 3, "Error! Unknown word \"dsbshm\"; did you mean DSBSHM?\n"},
        {{"CSN=1", "VERIFI"}, 3, "Error! Unknown word \"VERIFI\"; did you mean VERIFY?\n"},
        {{"hlep"}, 3, "Error! Unknown word \"hlep\"; did you mean help?\n"},
        {{"log=units.log", "CSN=1"},
         3,
         "Error! Unknown word \"log=units.log\"; did you mean LOG?\n"},
        {{"DSBSHM=1"}, 3, "Error! Unknown word \"DSBSHM=1\"\n"},
        {{"CSN=1", "WRITEFRU", "DSBSHM"},
         3,
         "Error! WRITEFRU and DSBSHM cannot be given together: DSBSHM sends nothing\n"},
        {{"CSN=1", "WRITEFUR"}, 3, "Error! Unknown word \"WRITEFUR\"; did you mean WRITEFRU?\n"},
        {{"CSN=1", "unknown", "help"}, 3, "Error! Unknown word \"unknown\"\n"},
    };
    for (const Case& c : cases) {
        writeStaleOutputs();
        std::vector<std::string> words(c.words.begin(), c.words.end());
        RunResult run = runPelgrinWords(words);
        EXPECT_EQ(run.status, c.status) << words.size();
        EXPECT_EQ(run.output, captureStdout(printBanner) + c.afterBanner);
        EXPECT_EQ(doubles::record().processCalls, 0);
        EXPECT_EQ(staleOutputsLeft(), 5);
    }
}

TEST_F(FrontEnd, VersionWordPrintsTheVersionLineAlone) {
    writeStaleOutputs();
    RunResult run = runPelgrin({"CSN=1", "--version", "unknown"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "pelgrin.exe Version 0.22\n");
    EXPECT_EQ(staleOutputsLeft(), 5);
}

TEST_F(FrontEnd, AnAcceptedRunRemovesEveryEarlierOutputEvenWhenItFails) {
    writeStaleOutputs();
    EXPECT_EQ(runPelgrin({"CSN=1"}, {2, true, 0}).status, 2);
    EXPECT_EQ(doubles::record().processCalls, 1);
    EXPECT_EQ(staleOutputsLeft(), 0);
}

TEST_F(FrontEnd, ValuesBeginOneSeparatorBehindTheKeyword) {
    runPelgrin({"CSN=A", "CSN=B", "CPN:123", "BSN:=1", "WS=", "PPN=p", "PN=name", "DSBSHM"});
    const SkuContext& seen = doubles::record().seen;
    EXPECT_STREQ(seen.chassisSerialNumber, "B");  // the last occurrence wins
    EXPECT_STREQ(seen.chassisPartNumber, "123");  // ":" separates as "=" does
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
                "PV=v", "PSN=S7", "BPN=q", "DSBSHM"});
    const SkuContext& seen = doubles::record().seen;
    EXPECT_STREQ(seen.mainMac, "001122334455");
    EXPECT_STREQ(seen.shareMac, "66778899AABB");
    EXPECT_STREQ(seen.assetTag, "a");
    EXPECT_STREQ(seen.rmcUnit, "r");
    EXPECT_STREQ(seen.nodeUnit, "n");
    EXPECT_STREQ(seen.powerBank, "b");
    EXPECT_STREQ(seen.productVersion, "v");
    EXPECT_STREQ(seen.productSerialNumber, "S7");
    EXPECT_STREQ(seen.boardPartNumber, "q");
}

// MAC addresses no board should get are refused before any file changes;
// lower-case digits are fine and stay as typed.
TEST_F(FrontEnd, MacAddressesAreCheckedBeforeAnyFileChanges) {
    struct Case {
        std::vector<const char*> words;
        const char* message;  // null: accepted
    } cases[] = {
        {{"MainMAC=00112233445"}, "Error! MainMAC must be 12 hexadecimal digits\n"},
        {{"MainMAC=00:11:22:33:44:55"}, "Error! MainMAC must be 12 hexadecimal digits\n"},
        {{"ShareMAC=0011223344GG"}, "Error! ShareMAC must be 12 hexadecimal digits\n"},
        {{"ShareMAC="}, "Error! ShareMAC must be 12 hexadecimal digits\n"},
        {{"MainMAC=000000000000"}, "Error! MainMAC 000000000000 is all zeros\n"},
        {{"ShareMAC=FFFFFFFFFFFF"}, "Error! ShareMAC FFFFFFFFFFFF is the broadcast address\n"},
        {{"MainMAC=010000000001"}, "Error! MainMAC 010000000001 is a multicast address\n"},
        {{"MainMAC=0f1b2c3d4e5f"}, "Error! MainMAC 0f1b2c3d4e5f is a multicast address\n"},
        {{"MainMAC=021B2C3D4E5F", "ShareMAC=021b2c3d4e5f"}, "Error! ShareMAC equals MainMAC\n"},
        {{"MainMAC=021b2c3d4e5f", "ShareMAC=021B2C3D4E60"}, nullptr},
    };
    for (const Case& c : cases) {
        writeStaleOutputs();
        std::vector<std::string> words(c.words.begin(), c.words.end());
        words.push_back("DSBSHM");
        RunResult run = runPelgrinWords(words);
        if (c.message == nullptr) {
            EXPECT_EQ(run.status, 0);
            EXPECT_STREQ(doubles::record().seen.mainMac, "021b2c3d4e5f");
            continue;
        }
        EXPECT_EQ(run.status, 3) << words[0];
        EXPECT_EQ(run.output, captureStdout(printBanner) + c.message);
        EXPECT_EQ(doubles::record().processCalls, 0);
        EXPECT_EQ(staleOutputsLeft(), 5);
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

// The channel's own status ends the run: 7 for the BMC's side, 11 where the
// operating system keeps the window from the program.
TEST_F(FrontEnd, ChannelThatCannotOpenEndsWithItsStatus) {
    for (int failure : {7, 11}) {
        RunResult run = runPelgrin({"CSN=1"}, {0, false, 0, 0, failure});
        EXPECT_EQ(run.status, failure);
        std::string tail = "Please wait 30 seconds at most\nInitial SMem Request failed\n";
        EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail);
        EXPECT_EQ(doubles::record().operationPath, "");
    }
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
        int fruWrites = 0;
        bool afterFruWrite = false;
    };
    const Case cases[] = {
        {{"CSN=1"}, {0, true, 0, 8}, 0, 0, false},
        {{"VERIFY", "CSN=1"}, {0, true, 0, 8}, 8, 1, true},
        {{"CSN=1", "VERIFY", "DSBSHM"}, {0, true, 0, 9}, 9, 1, false},
        {{"CSN=1", "VERIFY"}, {0, true, 1, 0}, 1, 0, false},
        {{"VERIFY"}, {}, 6, 0, false},
        {{"CSN=1", "WRITEFRU", "VERIFY"}, {0, false, 0, 8}, 8, 1, false, 1, true},
        {{"CSN=1", "WRITEFRU", "VERIFY"}, {0, false, 0, 0, 7, 13}, 13, 0, false, 1, false},
    };
    for (const Case& c : cases) {
        RunResult run = runPelgrin(c.words, c.script);
        EXPECT_EQ(run.status, c.status) << *c.words.begin();
        EXPECT_EQ(doubles::record().verifyCalls, c.verifyCalls) << *c.words.begin();
        EXPECT_EQ(doubles::record().verifiedAfterUpload, c.afterUpload) << *c.words.begin();
        EXPECT_EQ(doubles::record().fruWrites, c.fruWrites) << *c.words.begin();
        EXPECT_EQ(doubles::record().verifiedAfterFruWrite, c.afterFruWrite) << *c.words.begin();
        if (c.fruWrites > 0) {
            EXPECT_EQ(doubles::record().channelOpens, 0) << "the window is not opened";
        }
    }
}

}  // namespace
