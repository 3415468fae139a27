// WRITEFRU against FRU devices that take Write FRU Data as the field's BMCs
// do: one table over the simulated board's fru-* faults, each through the
// whole program, with its lines, its status, what the area holds afterwards
// and how many requests it cost.
#include <sstream>
#include <string>

#include "platform/sim/bmc_messages.h"
#include "platform/sim/fru_bmc.h"
#include "platform/sim/sim_board.h"
#include "platform/sim/sim_faults.h"
#include "tests/bad_input/pelgrin_run.h"
#include "tests/sku/sku_run_support.h"

namespace badinput {
namespace {

const uint64_t SECOND = 1000000;

// The lines that tell the operator how the write went.
std::string writeLines(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        if (line.rfind("FRU device 0:", 0) == 0 || line.rfind("Error!", 0) == 0 ||
            line.rfind("Verify:", 0) == 0)
            found += line + "\n";
    }
    return found;
}

size_t requestsWith(uint8_t netFn) {
    size_t count = 0;
    for (const sim::Bytes& request : sim::bmc().received())
        count += (request[0] >> 2) == netFn ? 1 : 0;
    return count;
}

std::string replacedAll(std::string text, const std::string& mark, const std::string& by) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), by);
    return text;
}

enum Before { ZEROS, OLDER_UNIT, THIS_IMAGE };
enum After { HOLDS_IMAGE, AS_BEFORE, IMAGE_UP_TO_0x40 };

class WriteFru : public PelgrinRun {
  protected:
    void SetUp() override {
        PelgrinRun::SetUp();
        testsupport::writeFile("SKU.xml", skuTest::exampleDescription());
        sim::setWallClock(BOARD_CLOCK - 86400);
        ASSERT_EQ(run({"BSN=BSN-0000", "DSBSHM"}).status, 0);
        olderFru = skuTest::fruEntry();
        sim::setWallClock(BOARD_CLOCK);
        ASSERT_EQ(run({"BSN=BSN-0001", "DSBSHM"}).status, 0);
        image = skuTest::fruEntry();
    }

    sim::Bytes areaWith(Before before) const {
        sim::Bytes area(1024, 0);
        const sim::Bytes& held = before == OLDER_UNIT ? olderFru : image;
        if (before != ZEROS)
            std::copy(held.begin(), held.end(), area.begin());
        return area;
    }

    sim::Bytes expectedArea(After after, const sim::Bytes& before) const {
        sim::Bytes area = before;
        size_t end = after == HOLDS_IMAGE ? image.size() : after == IMAGE_UP_TO_0x40 ? 0x40 : 0;
        std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(end), area.begin());
        return area;
    }

    skuTest::Bytes olderFru;
    skuTest::Bytes image;
};

TEST_F(WriteFru, FaultsEndWithTheirLinesStatusAndArea) {
    struct Case {
        const char* faults;  // SIM_FAULTS
        Before before;
        bool kcsDevice;
        int status;
        const char* lines;  // %M: the FRU image's size
        After after;
        size_t storageRequests;  // Get Area Info, Read and Write FRU Data, VERIFY's included
    };
    const Case cases[] = {
        {"", ZEROS, true, 0,
         "FRU device 0: %M of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 10},
        {"", OLDER_UNIT, true, 0,
         "FRU device 0: 96 of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 7},
        {"", THIS_IMAGE, true, 0,
         "FRU device 0: 0 of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 4},
        {"fru-area=128", OLDER_UNIT, true, 13,
         "Error! The BMC's FRU area holds 128 bytes; the image needs %M\n", AS_BEFORE, 1},
        {"fru-write-protect=0", OLDER_UNIT, true, 13,
         "Error! WRITEFRU: Write FRU Data at offset 0x0020 failed with completion code 0x80\n",
         AS_BEFORE, 3},
        {"fru-write-protect=0x40", ZEROS, true, 13,
         "Error! WRITEFRU: Write FRU Data at offset 0x0040 failed with completion code 0x80\n",
         IMAGE_UP_TO_0x40, 5},
        {"fru-busy=3", ZEROS, true, 0,
         "FRU device 0: %M of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 13},
        {"fru-busy=1000", OLDER_UNIT, true, 13,
         "Error! WRITEFRU: Write FRU Data at offset 0x0020 failed with completion code 0x81\n",
         AS_BEFORE, 13},
        {"fru-max-write=8", ZEROS, true, 0,
         "FRU device 0: %M of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 30},
        {"fru-max-write=7", OLDER_UNIT, true, 13,
         "Error! WRITEFRU: Write FRU Data at offset 0x0030 failed with completion code 0xC7\n",
         AS_BEFORE, 5},
        {"fru-short-write", ZEROS, true, 0,
         "FRU device 0: %M of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 20},
        {"fru-words", OLDER_UNIT, true, 0,
         "FRU device 0: 96 of %M bytes written\n"
         "Verify: the BMC's FRU matches SKU.BIN (%M bytes)\n",
         HOLDS_IMAGE, 7},
        {"", OLDER_UNIT, false, 9, "Error! WRITEFRU: Get Device ID got no reply over KCS\n",
         AS_BEFORE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + " over " + std::to_string(c.before));
        sim::SimFaults faults;
        std::string error;
        ASSERT_TRUE(sim::parseSimFaults(c.faults, &faults, &error)) << error;
        freshBoard();
        sim::setSimFaults(faults);
        sim::FruBmcScript script;
        script.initialContent = areaWith(c.before);
        const sim::Bytes before = sim::installFruBmc(script).area();
        if (!c.kcsDevice)
            sim::attachPortDevice(nullptr);

        PelgrinOutcome outcome = run({"BSN=BSN-0001", "WRITEFRU", "VERIFY"});

        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(writeLines(outcome.output),
                  replacedAll(c.lines, "%M", std::to_string(image.size())))
            << outcome.output;
        EXPECT_TRUE(sim::fruBmc().area() == expectedArea(c.after, before));
        EXPECT_EQ(requestsWith(0x0A), c.storageRequests);
        EXPECT_LE(sim::nowMicros(), 5 * SECOND);
    }
}

}  // namespace
}  // namespace badinput
