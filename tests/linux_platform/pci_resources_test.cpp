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
