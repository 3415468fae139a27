// Finding the BMC's window among the PCI functions.
#include <cstdlib>
#include <vector>

#include "pelgrin/channel/smem_channel.h"
#include "platform/bmc_pci_vendors.h"
#include "tests/channel/channel_fixture.h"

namespace channeltest {
namespace {

using sim::pciFunction;
using testsupport::captureStdout;

constexpr uint32_t OTHER_WINDOW = 0xF6000000;  // decoded by no device
constexpr uint32_t ANY_VENDOR[] = {BMC_PCI_VENDOR_END};

sim::PciFunction display(uint16_t vendor, uint16_t command, uint8_t progIf, uint32_t bar) {
    return pciFunction(vendor, 0x2000, 0x03, 0x00, progIf, command, bar);
}

class WindowDiscovery : public ChannelTest {
  protected:
    void TearDown() override {
        for (BmcWindow* window : found)
            free(window);
        ChannelTest::TearDown();
    }
    BmcWindow* find(std::string* out, const uint32_t* vendors = ANY_VENDOR) {
        BmcWindow* window = nullptr;
        *out = captureStdout([&] { lastFound = findBmcWindow(vendors, &window); });
        found.push_back(window);
        return window;
    }
    WindowFound lastFound = WINDOW_NONE;
    std::vector<BmcWindow*> found;
};

// The flag bits of a prefetchable BAR (0x8) are not part of the address; a
// display function that decodes memory only is no candidate.
TEST_F(WindowDiscovery, TheOneCandidateWinsWhateverItsVendor) {
    sim::setPciFunctions({
        pciFunction(0x1F3C, 0x0100, 0x06, 0x00, 0x00, 0x0007, 0),
        display(0x1B4B, 0x0007, 0x00, DEFAULT_WINDOW | 0x8),
        display(0x1E7A, 0x0002, 0x00, OTHER_WINDOW),
    });
    std::string out;
    BmcWindow* window = find(&out);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(out, "");
    EXPECT_EQ(window->barBase, uint64_t{DEFAULT_WINDOW});
    EXPECT_TRUE(bmc().window().enabled());
    EXPECT_EQ(bmc().window().enableWrites(), 1u);
    EXPECT_EQ(sim::strayMemoryAccesses(), 0u);  // the second window untouched
    ASSERT_EQ(sim::claimedWindows().size(), 1u);
    EXPECT_EQ(sim::claimedWindows()[0].function, 1u);

    uint64_t pointer = 0;
    EXPECT_TRUE(window->selectBase(window, 0x19E0C0000ull, &pointer));
    EXPECT_EQ(bmc().window().baseRegister(), 0x9E0C0000u);  // low 32 bits
    EXPECT_EQ(pointer, uint64_t{DEFAULT_WINDOW} + 0x10000);
}

// Two display functions that could both hold the window: the build's vendor
// list picks one, or the run names both and touches neither.
TEST_F(WindowDiscovery, VendorListChoosesAmongCandidates) {
    const uint32_t bmcVendor[] = {0x1E7A, BMC_PCI_VENDOR_END};
    const uint32_t twoOthers[] = {0x1234, 0x10DE, BMC_PCI_VENDOR_END};
    const uint32_t noneOnBoard[] = {0x1234, BMC_PCI_VENDOR_END};
    struct Case {
        const char* name;
        const uint32_t* vendors;
        WindowFound found;
        uint64_t barBase;
        std::string out;
    };
    const Case cases[] = {
        {"any vendor", ANY_VENDOR, WINDOW_AMBIGUOUS, 0,
         "Error! More than one display function could hold the BMC's window (choose with "
         "VELSKU_BMC_PCI_VENDORS): 0000:00:00.0 1e7a:2000, 0000:17:00.0 10de:1eb8\n"},
        {"the BMC's vendor", bmcVendor, WINDOW_FOUND, DEFAULT_WINDOW, ""},
        {"the card's vendor second in the list", twoOthers, WINDOW_FOUND, 0xE0000000, ""},
        {"a vendor not on the board", noneOnBoard, WINDOW_NONE, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useScript(sim::SmemScript{});
        sim::setPciFunctions(
            {display(0x1E7A, 0x0003, 0x00, DEFAULT_WINDOW | 0x8), sim::addInGraphicsCard()});
        std::string out;
        BmcWindow* window = find(&out, c.vendors);
        EXPECT_EQ(lastFound, c.found);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(window ? window->barBase : 0, c.barBase);
        EXPECT_EQ(sim::claimedWindows().size(), c.found == WINDOW_FOUND ? 1u : 0u);
    }
}

// A 64-bit BAR's base is its two registers together; type bits 01 (below
// 1 MiB, of old) leave the next register alone.
TEST_F(WindowDiscovery, SixtyFourBitBarIsReadWhole) {
    struct Case {
        const char* name;
        uint32_t low;
        uint32_t high;
        uint64_t barBase;
    };
    const Case cases[] = {
        {"64-bit above 4 GiB", 0xF800000C, 0x1, 0x1F8000000ull},
        {"64-bit below 4 GiB", 0xF8000004, 0x0, DEFAULT_WINDOW},
        {"64-bit, upper half only", 0x0000000C, 0x2, 0x200000000ull},
        {"32-bit with a stray next register", 0xF8000008, 0x1, DEFAULT_WINDOW},
        {"type 01 with a stray next register", 0xF8000002, 0x1, DEFAULT_WINDOW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SmemScript script;
        script.windowBase = c.barBase;
        useScript(script);
        sim::PciFunction function = display(0x1E7A, 0x0003, 0x00, c.low);
        for (int i = 0; i < 4; ++i)
            function.config[0x18 + i] = static_cast<uint8_t>(c.high >> (8 * i));
        sim::setPciFunctions({function});
        std::string out;
        BmcWindow* window = find(&out);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->barBase, c.barBase);
        EXPECT_EQ(bmc().window().enableWrites(), 1u);
        EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
    }
}

TEST_F(WindowDiscovery, PassesOverFunctionsThatAreNotTheWindow) {
    sim::PciFunction unopenable = display(0x1E7A, 0x0003, 0x00, OTHER_WINDOW);
    unopenable.openFails = true;
    sim::PciFunction unreadable = display(0x1E7A, 0x0003, 0x00, OTHER_WINDOW);
    unreadable.configReadFails = true;
    sim::setPciFunctions({
        display(0x1E7A, 0x0002, 0x00, OTHER_WINDOW),  // memory decoding only
        display(0x1E7A, 0x0001, 0x00, OTHER_WINDOW),  // I/O decoding only
        display(0x1E7A, 0x0003, 0x01, OTHER_WINDOW),  // programming interface 0x01
        pciFunction(0x1E7A, 0x2000, 0x03, 0x80, 0x00, 0x0003, OTHER_WINDOW),
        pciFunction(0x1E7A, 0x2000, 0x02, 0x00, 0x00, 0x0003, OTHER_WINDOW),
        unopenable,
        unreadable,
        display(0x1E7A, 0x0003, 0x00, 0),           // no window register
        display(0x1E7A, 0x0003, 0x00, 0x0000E001),  // an I/O BAR
        display(0x1E7A, 0x0003, 0x00, DEFAULT_WINDOW),
    });
    std::string out;
    BmcWindow* window = find(&out);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->barBase, uint64_t{DEFAULT_WINDOW});
    // EFI_DEVICE_ERROR's low 32 bits as a signed number.
    EXPECT_EQ(out,
              "Error: Try to open the EFI PCI IO protocol on handle\n"
              "Error: Read the PCi configuration space, 7.\n\n");
    EXPECT_EQ(sim::strayMemoryAccesses(), 0u);
}

// The window reaches 0x20000 bytes into the BAR; a display function whose
// BAR decodes less is passed over and the next one is taken.
TEST_F(WindowDiscovery, BarMustHoldTheWholeWindow) {
    struct Case {
        const char* name;
        uint32_t firstBar;
        uint64_t firstLength;
        bool firstUsed;
    };
    const Case cases[] = {
        {"I/O BAR", 0x0000E001, sim::SIM_DEFAULT_BAR_LENGTH, false},
        {"zero BAR", 0, sim::SIM_DEFAULT_BAR_LENGTH, false},
        {"memory BAR of 4 KiB", OTHER_WINDOW, 0x1000, false},
        {"memory BAR one byte short", OTHER_WINDOW, 0x1FFFF, false},
        {"memory BAR decoding nothing", OTHER_WINDOW, 0, false},
        {"memory BAR of exactly 0x20000", DEFAULT_WINDOW, 0x20000, true},
        {"memory BAR of 32 MiB", DEFAULT_WINDOW, 0x2000000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::PciFunction first = display(0x1E7A, 0x0003, 0x00, c.firstBar);
        first.barLengths[1] = c.firstLength;
        // The second is a candidate only where the first is not.
        uint16_t secondCommand = c.firstUsed ? 0x0002 : 0x0003;
        uint32_t secondBar = c.firstUsed ? OTHER_WINDOW : DEFAULT_WINDOW;
        sim::setPciFunctions({first, display(0x1E7A, secondCommand, 0x00, secondBar)});
        uint64_t enables = bmc().window().enableWrites();
        uint64_t strays = sim::strayMemoryAccesses();
        std::string out;
        BmcWindow* window = find(&out);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(out, "");
        EXPECT_EQ(window->barBase, uint64_t{DEFAULT_WINDOW});
        EXPECT_EQ(bmc().window().enableWrites(), enables + 1);
        EXPECT_EQ(sim::strayMemoryAccesses(), strays);
    }
}

TEST_F(WindowDiscovery, NoWindowWithoutAMatchOrHandles) {
    sim::setPciFunctions({display(0x1E7A, 0x0002, 0x00, DEFAULT_WINDOW)});
    std::string out;
    EXPECT_EQ(find(&out), nullptr);
    EXPECT_EQ(out, "");
    sim::setPciLocateFails(true);
    EXPECT_EQ(find(&out), nullptr);
    EXPECT_EQ(out, "Error: Try to find handles with Pci Io protocol\n");
    EXPECT_EQ(bmc().window().accesses(), 0u);
}

}  // namespace
}  // namespace channeltest
