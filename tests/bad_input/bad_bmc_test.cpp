// A BMC or board that does not play its part in the upload. SKU.BIN is whole
// by then, and it stays: byte for byte the image a DSBSHM run builds, never a
// partial one, while the status says that the BMC did not take it.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/sim/kcs_bmc.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/smem_board.h"
#include "tests/bad_input/pelgrin_run.h"
#include "tests/sku/sku_run_support.h"
#include "tests/support/enterprise_number.h"

namespace badinput {
namespace {

using testsupport::readFile;

const std::vector<std::string> WORDS = {"MainMAC=001122334455", "BSN=BSN-0001"};
const uint32_t WINDOW = 0xF8000000;
const char NO_ADDRESS[] =
    "Error! The BMC gave no shared-memory address\nInitial SMem Request failed\n";
const char NO_WINDOW[] = "Initial SMem Failed\nInitial SMem Request failed\n";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class BadBmc : public PelgrinRun {
  protected:
    void SetUp() override {
        PelgrinRun::SetUp();
        testsupport::writeFile("SKU.xml", skuTest::exampleDescription());
        std::vector<std::string> words = WORDS;
        words.push_back("DSBSHM");
        ASSERT_EQ(run(words).status, 0);
        dsbshmImage = readFile("SKU.BIN");
        freshBoard();
        leaveEarlierOutputs();
    }

    // The default board with the shared-memory BMC following `script`.
    static void boardWith(const sim::SmemScript& script) {
        sim::resetBoard();
        sim::installDefaultKcsBmc();
        sim::installSmemBmc(script);
        sim::setPciFunctions(sim::defaultPciBus(WINDOW | 0x8));
        sim::setWallClock(BOARD_CLOCK);
    }

    // The upload failed after the console lines of the upload step, with
    // `tail` last; the image stayed whole on disk and the BMC got nothing.
    void expectUploadRefused(const PelgrinOutcome& outcome, int status, const std::string& tail) {
        EXPECT_EQ(outcome.status, status);
        std::string upload = from(outcome.output, "Writing SKU.BIN in Share memory ...\n");
        EXPECT_NE(upload.find("Please wait 30 seconds at most\n"), std::string::npos)
            << outcome.output;
        EXPECT_TRUE(endsWith(upload, tail)) << upload;
        EXPECT_EQ(filesLeft(), "SKU.BIN mysku.xml mysku.xml.gz");
        EXPECT_EQ(readFile("SKU.BIN"), dsbshmImage);
        EXPECT_TRUE(sim::smemBmc().receivedFiles().empty());
        EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
    }

    // The default board with SIM_FAULTS `text`, as the host programs read it.
    static void boardWithFaults(const char* text) {
        sim::SimFaults faults;
        std::string error;
        ASSERT_TRUE(sim::parseSimFaults(text, &faults, &error)) << error;
        sim::resetBoard();
        sim::setSimFaults(faults);
        sim::installDefaultBoard();
        sim::setWallClock(BOARD_CLOCK);
    }

    // Hexadecimal offset of the first SKU.BIN byte with a bit of `mask` set.
    std::string firstByteWith(uint8_t mask) const {
        size_t offset = 0;
        while (offset < dsbshmImage.size() && (dsbshmImage[offset] & mask) == 0)
            ++offset;
        char text[16];
        snprintf(text, sizeof text, "%zX", offset);
        return text;
    }

    std::vector<unsigned char> dsbshmImage;
};

// Without an address that the BMC sent, nothing is written to BMC memory.
TEST_F(BadBmc, KcsFaultsLeaveNoAddressAndBmcMemoryAlone) {
    struct Case {
        const char* name;
        sim::KcsFaults faults;
        bool floatingBus;
    };
    sim::KcsFaults stuck;
    stuck.ibfBusyReads = sim::KCS_IBF_NEVER_CLEARS;
    sim::KcsFaults errorState;
    errorState.strayStateAt = 0;
    errorState.strayState = sim::KcsState::Error;
    sim::KcsFaults writeState;
    writeState.strayStateAt = 5;
    writeState.strayState = sim::KcsState::Write;
    sim::KcsFaults stopsMidway;
    stopsMidway.obfWithheldFrom = 4;
    sim::KcsFaults refused;
    refused.writeStartRefused = true;
    // Each byte taken on the last permitted read: every wait just fits.
    sim::KcsFaults lastRead;
    lastRead.ibfBusyReads = 999;
    // And an error exit that never ends: 1001 attempts of three such waits.
    sim::KcsFaults lastReadNoExit = lastRead;
    lastReadNoExit.writeStartRefused = true;
    lastReadNoExit.abortStuck = true;
    const Case cases[] = {
        {"IBF never clears", stuck, false},
        {"ERROR_STATE instead of the first byte", errorState, false},
        {"WRITE_STATE instead of the sixth byte", writeState, false},
        {"stops offering after four bytes", stopsMidway, false},
        {"WRITE_START refused", refused, false},
        {"floating bus", sim::KcsFaults{}, true},
        {"each byte taken on the last permitted read", lastRead, false},
        {"and an error exit that never ends", lastReadNoExit, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshBoard();
        leaveEarlierOutputs();
        sim::kcsBmc().script(c.faults);
        if (c.floatingBus)
            sim::attachPortDevice(nullptr);
        PelgrinOutcome outcome = run(WORDS);
        expectUploadRefused(outcome, 7, NO_ADDRESS);
        EXPECT_EQ(sim::smemBmc().window().accesses(), 0u);
        // One request, at most 5 seconds whatever its waits and error exits.
        EXPECT_LE(sim::nowMicros(), 5000000u);
    }
}

TEST_F(BadBmc, AnswersWithoutAnAddressAreNoAddress) {
    struct Case {
        const char* name;
        size_t responseLength;
        uint8_t completionCode;
        bool otherEnterprise;
    };
    const Case cases[] = {
        {"six of ten bytes", 6, 0x00, false},    {"nine of ten bytes", 9, 0x00, false},
        {"header only", 3, 0x00, false},         {"invalid command", 10, 0xC1, false},
        {"another maker's BMC", 10, 0x00, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SmemScript script;
        script.addressResponseLength = c.responseLength;
        script.addressCompletionCode = c.completionCode;
        if (c.otherEnterprise)
            script.enterpriseNumber = testsupport::ANOTHER_ENTERPRISE;
        boardWith(script);
        leaveEarlierOutputs();
        PelgrinOutcome outcome = run(WORDS);
        expectUploadRefused(outcome, 7, NO_ADDRESS);
        EXPECT_EQ(sim::smemBmc().window().accesses(), 0u);
    }
}

TEST_F(BadBmc, BoardWithoutAUsableWindowIsRefused) {
    struct Case {
        const char* name;
        std::vector<sim::PciFunction> bus;
        bool locateFails;
        std::string tail;
    };
    std::vector<sim::PciFunction> noDisplay = sim::defaultPciBus(WINDOW | 0x8);
    noDisplay.erase(
        std::remove_if(noDisplay.begin(), noDisplay.end(),
                       [](const sim::PciFunction& f) { return f.config[0x0B] == 0x03; }),
        noDisplay.end());
    std::vector<sim::PciFunction> smallBar = sim::defaultPciBus(WINDOW | 0x8);
    for (sim::PciFunction& function : smallBar)
        function.barLengths[1] = 0x1000;
    const Case cases[] = {
        {"no display function", noDisplay, false, NO_WINDOW},
        {"memory BAR of 4 KiB", smallBar, false, NO_WINDOW},
        {"window register 0", sim::defaultPciBus(0), false, NO_WINDOW},
        {"I/O BAR", sim::defaultPciBus(0xE001), false, NO_WINDOW},
        {"no PCI I/O handles", sim::defaultPciBus(WINDOW | 0x8), true,
         std::string("Error: Try to find handles with Pci Io protocol\n") + NO_WINDOW},
    };
    ASSERT_EQ(noDisplay.size() + 1, sim::defaultPciBus(WINDOW).size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshBoard();
        leaveEarlierOutputs();
        sim::setPciFunctions(c.bus);
        sim::setPciLocateFails(c.locateFails);
        PelgrinOutcome outcome = run(WORDS);
        expectUploadRefused(outcome, 7, c.tail);
        EXPECT_NE(outcome.output.find("ShareMemAddr = (0x9e000000, 0x9e0c0000)\n"),
                  std::string::npos);
        EXPECT_EQ(sim::smemBmc().window().accesses(), 0u);
    }
}

// The image went into BMC memory, but the BMC never took the doorbell: after
// 30 seconds the run ends with 1, which the shell reports as EFI_ABORTED.
TEST_F(BadBmc, DoorbellNeverTakenEndsWithOne) {
    sim::SmemScript script;
    script.doorbellDelayMicros = sim::SMEM_NEVER;
    boardWith(script);
    leaveEarlierOutputs();
    PelgrinOutcome outcome = run(WORDS);
    expectUploadRefused(outcome, 1, "Timeout: Please Check Share Memory exist or not\n");
    EXPECT_EQ(outcome.output.find("Reset BMC"), std::string::npos);
    EXPECT_GE(sim::nowMicros(), 30000000u);
    EXPECT_LT(sim::nowMicros(), 31000000u);
}

// Each window-path fault of SIM_FAULTS on the default board: the run's last
// line and status, whether the BMC took SKU.BIN, and never a write that
// missed the window (no stray access, none through the window to memory the
// BMC does not have).
TEST_F(BadBmc, SimFaultsOnTheWindowPath) {
    struct Case {
        const char* faults;
        int status;
        std::string tail;
        bool received;
    };
    const std::string failed = "Initial SMem Request failed\n";
    const Case cases[] = {
        {"", 0, "Done\n", true},
        {"bar64", 0, "Done\n", true},
        {"smem-address=0xFFF00000", 0, "Done\n", true},
        {"two-displays", 7,
         "Error! More than one display function could hold the BMC's window (choose with "
         "VELSKU_BMC_PCI_VENDORS): 0000:00:02.0 1e7a:2000, 0000:17:00.0 10de:1eb8\n" +
             failed,
         false},
        {"smem-address=0", 7,
         "Error! The BMC's shared-memory address 0x00000000 cannot be used: it is 0\n" + failed,
         false},
        {"smem-address=0x9E001234", 7,
         "Error! The BMC's shared-memory address 0x9E001234 cannot be used: it is not 64 KiB "
         "aligned\n" +
             failed,
         false},
        {"smem-address=0xFFF80000", 7,
         "Error! The BMC's shared-memory address 0xFFF80000 cannot be used: its data area would "
         "pass 4 GiB\n" +
             failed,
         false},
        {"smem-cc=0xC1", 7, NO_ADDRESS, false},
        {"window-unclaimed", 7,
         "Error! The BMC window at 0xf8000000 did not take base 0x9E000000 (reads 0xFFFFFFFF)\n" +
             failed,
         false},
        {"window-stuck-base", 7,
         "Error! The BMC window at 0xf8000000 did not take base 0x9E000000 (reads 0x00000000)\n" +
             failed,
         false},
        {"window-read-mask=0xFFFFFFFD", 7,
         "Error! The BMC window does not hold SKU.BIN: it differs from offset 0x" +
             firstByteWith(0x02) + "\n",
         false},
        {"doorbell-cc=0xC0", 1, "Error! The BMC refused the doorbell: completion code 0xC0\n",
         false},
        {"window-gone-at-doorbell", 1,
         "Error! The BMC window stopped answering: the command word reads 0xFFFFFFFF\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        boardWithFaults(c.faults);
        leaveEarlierOutputs();
        std::remove("units.log");
        std::vector<std::string> words = WORDS;
        words.push_back("LOG=units.log");
        PelgrinOutcome outcome = run(words);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_TRUE(endsWith(outcome.output, c.tail)) << outcome.output;
        std::string record = testsupport::readText("units.log");
        EXPECT_NE(record.find(c.received ? "\"sent\":\"window\"" : "\"sent\":false"),
                  std::string::npos)
            << record;
        EXPECT_NE(record.find("\"status\":" + std::to_string(c.status) + ","), std::string::npos)
            << record;
        EXPECT_EQ(readFile("SKU.BIN"), dsbshmImage);
        const std::vector<sim::ReceivedFile>& received = sim::smemBmc().receivedFiles();
        EXPECT_EQ(received.size(), c.received ? 1u : 0u);
        if (c.received && !received.empty()) {
            EXPECT_EQ(received[0].bytes, dsbshmImage);
        }
        EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
        EXPECT_EQ(sim::smemBmc().window().unbackedAccesses(), 0u);
    }
}

}  // namespace
}  // namespace badinput
