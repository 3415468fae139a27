#include "platform/linux/pci_resources.h"

#include <gtest/gtest.h>

namespace {

// A display function as QEMU's cirrus-vga shows it: BAR0 32 MB of prefetchable
// video memory, BAR1 4 KB of registers, an expansion ROM, and an unused BAR.
const char* const kCirrus =
    "0x00000000fc000000 0x00000000fdffffff 0x0000000000042208\n"
    "0x00000000febf0000 0x00000000febf0fff 0x0000000000040200\n"
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x000000000000c000 0x000000000000c0ff 0x0000000000040101\n"
    "0x00000000febe0000 0x00000000febeffff 0x0000000000046200\n";

TEST(PciRegion, FindsTheRegionHoldingTheRangeWithItsResourceIndex) {
    PciRegion registers = findPciRegion(kCirrus, 0xfebf0000, 4);
    EXPECT_EQ(registers.index, 1);
    EXPECT_EQ(registers.start, 0xfebf0000u);
    EXPECT_EQ(registers.size, 0x1000u);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfdfffffc, 4).index, 0);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfebe0010, 1).index, 4);
}

TEST(PciRegion, RangeMustLieWhollyInsideOneRegion) {
    EXPECT_EQ(findPciRegion(kCirrus, 0xfebf0ffc, 4).index, 1);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfebf0ffd, 4).index, -1);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfebf0000, 0x1001).index, -1);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfebeffff, 2).index, -1);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfbffffff, 1).index, -1);
}

TEST(PciRegion, IoAndUnassignedRegionsNeverMatch) {
    EXPECT_EQ(findPciRegion(kCirrus, 0xc000, 1).index, -1);
    EXPECT_EQ(findPciRegion(kCirrus, 0, 1).index, -1);
}

TEST(PciRegion, EmptyOrRaggedTextMatchesNothing) {
    EXPECT_EQ(findPciRegion("", 0xfebf0000, 4).index, -1);
    EXPECT_EQ(findPciRegion("garbage\n\n0x1 0x2\n", 0x1, 1).index, -1);
    EXPECT_EQ(findPciRegion(kCirrus, 0xfffffffffffffffc, 8).index, -1);
}

TEST(PciRegion, LastLineWithoutNewlineStillCounts) {
    const char* text =
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x00000000a0000000 0x00000000a001ffff 0x0000000000040200";
    PciRegion window = findPciRegion(text, 0xa0010000, 0x10000);
    EXPECT_EQ(window.index, 1);
    EXPECT_EQ(window.size, 0x20000u);
}

TEST(PciRegion, LengthOfEachBarLine) {
    struct Case {
        const char* text;
        int index;
        uint64_t length;
    };
    const Case cases[] = {
        {kCirrus, 0, 0x2000000},  // prefetchable video memory
        {kCirrus, 1, 0x1000},     // the 4 KiB register block
        {kCirrus, 2, 0},          // unassigned
        {kCirrus, 3, 0x100},      // I/O
        {kCirrus, 4, 0x10000},
        {kCirrus, 6, 0},  // past the last line
        {"0xa0000000 0xa001ffff 0x40200", 0, 0x20000},
        {"garbage\n", 0, 0},
        {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pciRegionLength(c.text, c.index), c.length) << c.index << " in " << c.text;
}

}  // namespace

// A VGA function behind a bridge: the bridge's own resource file lists the
// windows it forwards on lines 7 and up, and they hold the function's BAR;
// only the function's own line N may be taken.
TEST(PciRegion, OnlyTheNamedLineHoldsTheWindow) {
    const char* const bridge =
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
        "0x000000000000d000 0x000000000000dfff 0x0000000000000101\n"
        "0x00000000f8000000 0x00000000fbffffff 0x0000000000000200\n";
    struct Case {
        const char* name;
        const char* text;
        int line;
        uint64_t address;
        int index;
    };
    const Case cases[] = {
        {"the VGA function's BAR 1", kCirrus, 1, 0xfebf0000, -1},  // 4 KiB: too small
        {"the VGA function's BAR 0", kCirrus, 0, 0xfc000000, 0},
        {"the bridge's forwarded window", bridge, 8, 0xf8000000, 8},
        {"the bridge asked for BAR 1", bridge, 1, 0xf8000000, -1},
        {"a line past the end", kCirrus, 9, 0xfc000000, -1},
        {"a line holding another range", kCirrus, 4, 0xfc000000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pciRegionOnLine(c.text, c.line, c.address, 0x20000).index, c.index) << c.name;
}

TEST(PciName, SysfsNamesGiveTheLocation) {
    struct Case {
        const char* name;
        bool parsed;
        uint32_t segment, bus, device, function;
    };
    const Case cases[] = {
        {"0000:00:02.0", true, 0, 0, 2, 0},
        {"0001:17:1f.7", true, 1, 0x17, 0x1f, 7},
        {"0000:01:01.0", true, 0, 1, 1, 0},
        {"0000:00:20.0", false, 0, 0, 0, 0},   // device past 31
        {"0000:00:02.8", false, 0, 0, 0, 0},   // function past 7
        {"0000:00:02.0x", false, 0, 0, 0, 0},  // trailing text
        {"00:02.0", false, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t at[4] = {99, 99, 99, 99};
        EXPECT_EQ(parsePciName(c.name, &at[0], &at[1], &at[2], &at[3]), c.parsed) << c.name;
        if (c.parsed) {
            EXPECT_EQ(at[0], c.segment) << c.name;
            EXPECT_EQ(at[1], c.bus) << c.name;
            EXPECT_EQ(at[2], c.device) << c.name;
            EXPECT_EQ(at[3], c.function) << c.name;
        }
    }
}

TEST(BoundDriver, OnlyPlaceholdersLeaveTheWindowAlone) {
    struct Case {
        const char* driver;
        bool leavesAlone;
    };
    const Case cases[] = {
        {"", true},        {"pci-stub", true}, {"vfio-pci", true}, {"uio_pci_generic", true},
        {"vmwgfx", false}, {"ast", false},     {"bochs", false},   {"pci-stubby", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(driverLeavesWindowAlone(c.driver), c.leavesAlone) << c.driver;
}
