// VERIFY against a BMC that does or does not play its part in the read-back:
// one table over the simulated FRU device's fault scripts, each through the
// whole program, with its lines, its status and how long it took the board.
#include <functional>
#include <sstream>
#include <string>

#include "pelgrin/image/fru_reader.h"
#include "platform/sim/bmc_messages.h"
#include "platform/sim/fru_bmc.h"
#include "platform/sim/sim_board.h"
#include "platform/sim/sim_faults.h"
#include "tests/bad_input/pelgrin_run.h"
#include "tests/sku/sku_run_support.h"

namespace badinput {
namespace {

const uint64_t MILLISECOND = 1000;
const uint64_t SECOND = 1000 * MILLISECOND;
// The upload's own count and doorbell, the 120 s wait, and the read.
const uint64_t UPLOAD_AND_WAIT_LIMIT = (90 + 120 + 5) * SECOND;

// The board serial number's last character, one up: "BSN-0001" -> "BSN-0002".
void bumpSerial(sim::Bytes& fru) {
    FruImageView view;
    ASSERT_EQ(fruReadImage(fru.data(), fru.size(), &view), FRU_READ_OK);
    const FruFieldView& serial = view.board.fields[2];
    fru[serial.offset + serial.length]++;
    // The area stays well-formed: its checksum follows the change.
    fru[view.board.offset + view.board.length - 1]--;
}

// The lines that verification printed.
std::string verifyLines(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        size_t at = line.find("Verify:");
        if (at == std::string::npos)
            continue;
        // Progress shown in place ends with a carriage return before the line.
        size_t start = line.rfind('\r', at);
        found += line.substr(start == std::string::npos ? 0 : start + 1) + "\n";
    }
    return found;
}

// The KCS BMC again, with faults named as in SIM_FAULTS.
void kcsBmcWithFaults(const char* names) {
    sim::SimFaults faults;
    std::string error;
    ASSERT_TRUE(sim::parseSimFaults(names, &faults, &error)) << error;
    sim::setSimFaults(faults);
    sim::installDefaultKcsBmc();
}

size_t fruRequests() {
    size_t count = 0;
    for (const sim::Bytes& request : sim::bmc().received())
        count += (request[0] >> 2) == 0x0A ? 1 : 0;
    return count;
}

class Verify : public PelgrinRun {
  protected:
    void SetUp() override {
        PelgrinRun::SetUp();
        testsupport::writeFile("SKU.xml", skuTest::exampleDescription());
        ASSERT_EQ(run({"BSN=BSN-0001", "DSBSHM"}).status, 0);
        earlierFru = skuTest::fruEntry();
    }

    // An earlier unit's FRU image, built an hour before this run's clock.
    skuTest::Bytes earlierFru;
};

TEST_F(Verify, FaultScriptsEndWithTheirLinesAndStatusWithinTheBound) {
    struct Case {
        const char* name;
        std::function<void(sim::FruBmcScript&)> script;
        bool dsbshm;
        int status;
        const char* lines;  // %N: the FRU image's size
        size_t maxFruRequests;
        const char* progress;  // a progress text that must appear, or "": none shown
        const char* simFaults = "";
        uint64_t maxSeconds = 0;  // a tighter bound than the run's own, when set
    };
    const Case cases[] = {
        {"the image applied", [](sim::FruBmcScript&) {}, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 2, ""},
        {"another serial number applied", [](sim::FruBmcScript& s) { s.alterApplied = bumpSerial; },
         false, 8,
         "Verify: board serial number: BMC holds \"BSN-0002\", SKU.BIN has \"BSN-0001\"\n", 17,
         "Waiting for the new FRU ... 30 s"},
        {"never back", [](sim::FruBmcScript& s) { s.resetMicros = sim::FRU_BMC_NEVER_BACK; }, false,
         9, "Error! Verify: Get Device ID: the BMC did not answer within 120 s\n", 0,
         "Waiting for the BMC ... 120 s"},
        {"back with an interface that hangs",
         [](sim::FruBmcScript& s) { s.hangsAfterReset = true; }, false, 9,
         "Error! Verify: Get Device ID: the BMC did not answer within 120 s\n", 0,
         "Waiting for the BMC ... 120 s"},
        {"back 10 s after the count", [](sim::FruBmcScript& s) { s.resetMicros = 100 * SECOND; },
         false, 0, "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 2,
         "Waiting for the BMC ... 10 s"},
        {"short answers", [](sim::FruBmcScript& s) { s.largestAnswer = 40; }, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 6, ""},
        {"0xC7 above 31", [](sim::FruBmcScript& s) { s.largestCount = 31; }, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 12, ""},
        {"0xC7 above 31 in an area of 100 bytes: a refused count is not asked again",
         [](sim::FruBmcScript& s) {
             s.largestCount = 31;
             s.areaSize = 100;
         },
         false, 8, "Verify: the BMC's FRU area holds 100 bytes, SKU.BIN's FRU image %N\n", 7, ""},
        {"0xCA above 8",
         [](sim::FruBmcScript& s) {
             s.largestCount = 8;
             s.countRefusal = 0xCA;
         },
         false, 0, "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 30, ""},
        {"0xCA at every count",
         [](sim::FruBmcScript& s) {
             s.largestCount = 7;
             s.countRefusal = 0xCA;
         },
         false, 9,
         "Error! Verify: Read FRU Data at offset 0x0000 failed with completion code 0xCA\n", 7, ""},
        {"busy three times", [](sim::FruBmcScript& s) { s.busyAnswers = 3; }, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 5, ""},
        {"busy for good", [](sim::FruBmcScript& s) { s.busyAnswers = 1000; }, false, 9,
         "Error! Verify: Read FRU Data at offset 0x0000 failed with completion code 0x81\n", 12,
         ""},
        {"back 119 s after the count, then busy: the bound ends the read",
         [](sim::FruBmcScript& s) {
             s.resetMicros = 208500 * MILLISECOND;
             s.busyAnswers = 1000;
         },
         false, 9, "Error! Verify: Read FRU Data at offset 0x0000 did not finish within 120 s\n",
         11, "Waiting for the BMC ... 119 s"},
        {"DSBSHM, one byte per answer: the request budget ends the read",
         [](sim::FruBmcScript& s) { s.largestAnswer = 1; }, true, 9,
         "Error! Verify: Read FRU Data at offset 0x012C did not finish within 300 requests\n", 301,
         ""},
        {"not present", [](sim::FruBmcScript& s) { s.refusal = 0xCB; }, false, 9,
         "Error! Verify: Get FRU Inventory Area Info failed with completion code 0xCB\n", 1, ""},
        {"word access", [](sim::FruBmcScript& s) { s.wordAccess = true; }, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 2, ""},
        {"area smaller than the image", [](sim::FruBmcScript& s) { s.areaSize = 128; }, false, 8,
         "Verify: the BMC's FRU area holds 128 bytes, SKU.BIN's FRU image %N\n", 2, ""},
        {"reply-short: Get Device ID answered with 2 bytes",
         [](sim::FruBmcScript&) { kcsBmcWithFaults("reply-short"); }, false, 9,
         "Error! Verify: Get Device ID: the BMC did not answer within 120 s\n", 0,
         "Waiting for the BMC ... 120 s"},
        {"reply-echo: Get Device ID answered with another command's echo",
         [](sim::FruBmcScript&) { kcsBmcWithFaults("reply-echo"); }, false, 9,
         "Error! Verify: Get Device ID: the BMC did not answer within 120 s\n", 0,
         "Waiting for the BMC ... 120 s"},
        {"DSBSHM, no KCS device", [](sim::FruBmcScript&) { sim::attachPortDevice(nullptr); }, true,
         9, "Error! Verify: Get FRU Inventory Area Info got no answer over KCS\n", 0, ""},
        {"DSBSHM, programmed earlier", [](sim::FruBmcScript&) {}, true, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes, manufacturing date not compared)\n", 6,
         ""},
        {"DSBSHM, another serial number programmed",
         [](sim::FruBmcScript& s) { bumpSerial(s.initialContent); }, true, 8,
         "Verify: board serial number: BMC holds \"BSN-0002\", SKU.BIN has \"BSN-0001\"\n", 6, ""},
        {"DSBSHM, nothing programmed",
         [](sim::FruBmcScript& s) { s.initialContent.assign(s.initialContent.size(), 0); }, true, 8,
         "Verify: the BMC's FRU does not decode (common header format version is not 1, common "
         "header); first difference at byte 0x0000: BMC holds 0x00, SKU.BIN has 0x01\n",
         6, ""},
        {"busy for 20 s after its reset", [](sim::FruBmcScript&) {}, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 2, "Waiting for the BMC ... 20 s",
         "bmc-busy=20", 112},
        {"\"device available\" set for good", [](sim::FruBmcScript&) {}, false, 9,
         "Error! Verify: Get Device ID: the BMC still reported an update or initialisation in "
         "progress after 120 s\n",
         0, "Waiting for the BMC ... 120 s", "bmc-busy=300"},
        {"the previous FRU served for 20 s", [](sim::FruBmcScript&) {}, false, 0,
         "Verify: the BMC's FRU matches SKU.BIN (%N bytes)\n", 13,
         "Waiting for the new FRU ... 20 s", "bmc-late=20", 112},
        {"another unit's longer serial number applied", [](sim::FruBmcScript&) {}, false, 8,
         "Verify: board serial number: BMC holds \"BSN-0001-OTHER-9\", SKU.BIN has "
         "\"BSN-0001\"\n",
         18, "Waiting for the new FRU ... 30 s", "fru-other-serial", 122},
        {"another unit's longer FRU cut by an area that fits only ours",
         [](sim::FruBmcScript& s) {
             s.areaSize = static_cast<uint32_t>(skuTest::fruEntry().size());
         },
         false, 8,
         "Verify: the BMC's FRU does not decode (truncated, product area); first difference at "
         "byte 0x0004: BMC holds 0x0F, SKU.BIN has 0x0E\n",
         17, "Waiting for the new FRU ... 30 s", "fru-other-serial", 122},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshBoard();
        sim::setWallClock(BOARD_CLOCK + 3600);
        sim::SimFaults faults;
        std::string error;
        ASSERT_TRUE(sim::parseSimFaults(c.simFaults, &faults, &error)) << error;
        sim::setSimFaults(faults);
        sim::FruBmcScript script = sim::defaultFruBmcScript();
        script.initialContent = earlierFru;
        c.script(script);
        sim::installFruBmc(script);
        std::vector<std::string> words = {"VERIFY", "BSN=BSN-0001"};
        if (c.dsbshm)
            words.push_back("DSBSHM");
        PelgrinOutcome outcome = run(words);
        std::string expected = c.lines;
        size_t size = expected.find("%N");
        if (size != std::string::npos)
            expected.replace(size, 2, std::to_string(skuTest::fruEntry().size()));
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(verifyLines(outcome.output), expected) << outcome.output;
        EXPECT_LE(fruRequests(), c.maxFruRequests);
        if (*c.progress != '\0') {
            EXPECT_NE(outcome.output.find(c.progress), std::string::npos) << outcome.output;
        } else {
            EXPECT_EQ(outcome.output.find("Waiting for"), std::string::npos) << outcome.output;
        }
        EXPECT_LE(sim::nowMicros(), c.dsbshm ? 5 * SECOND : UPLOAD_AND_WAIT_LIMIT);
        if (c.maxSeconds != 0) {
            EXPECT_LE(sim::nowMicros(), c.maxSeconds * SECOND);
        }
    }
}

}  // namespace
}  // namespace badinput
