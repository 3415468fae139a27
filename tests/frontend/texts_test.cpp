// The banner, usage and MAC texts are read by operators and by scripts that
// scrape the console, so they are checked to the byte.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pelgrin/frontend/banner_usage.h"
#include "pelgrin/sku/mac_text.h"
#include "tests/support/scratch_dir.h"

using testsupport::captureStdout;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

TEST(Banner, IsExactWithVersionAndTrailingBlanks) {
    EXPECT_EQ(captureStdout(printBanner),
              "\npelgrin.exe Version 0.22\n\n"
              "pelgrin.exe is used for KORVALEN BMC firmware \n"
              "configuration under DOS/Linux. It helps production line \n"
              "to program FRU, MAC Address and Fan Policy into BMC.\n\n");
}

TEST(Usage, StartsEmptyEndsWithLineEndAndListsEveryOption) {
    std::string text = captureStdout(printUsage);
    ASSERT_EQ(text.substr(0, 25), "\nUsage: pelgrin [OPTION]\n");
    ASSERT_EQ(text.back(), '\n');
    std::vector<std::string> all = lines(text);
    ASSERT_EQ(all.size(), 35u);
    EXPECT_EQ(all[3],
              " pelgrin  MainMAC=001122334455 ShareMAC=006677889910 BSN=1234567 CSN=246810");
    EXPECT_EQ(all[4], " pelgrin  WS=FRU_PRD_AREA PSN=123456789A");
    EXPECT_EQ(all[5], "");
    EXPECT_EQ(all.back(), " DSBSHM   : Disable Writing to Share Memory after SKU.BIN generated");
}

TEST(Usage, OptionColonsStandInColumnFourteen) {
    std::vector<std::string> all = lines(captureStdout(printUsage));
    const char* options[] = {"MainMAC", "ShareMAC", "CSN",   "CPN", "BSN", "BPN",
                             "PSN",     "PPN",      "ASSET", "PV",  "WS"};
    for (size_t i = 0; i < 11; ++i) {
        const std::string& line = all[6 + i];
        EXPECT_EQ(line.rfind(std::string(" ") + options[i] + " ", 0), 0u) << line;
        EXPECT_EQ(line.find(':'), 13u) << line;
    }
    EXPECT_EQ(all[17], std::string(15, ' ') + "the available selection is:");
}

TEST(Usage, SelectionNamesAreIndentedTwentyBlanks) {
    std::vector<std::string> all = lines(captureStdout(printUsage));
    const char* names[] = {"FRU_AREA",
                           "FRU_CHS_AREA",
                           "FRU_PRD_AREA",
                           "FRU_BOARD_AREA",
                           "FRU_PRD_CHS_AREA",
                           "FRU_MAC_BSN_BPN_AREA",
                           "FRU_CPN_CSN_PPN_PV_PSN_AREA",
                           "FRU_BSN_BPN_CPN_CSN_PPN_PV_PSN_AREA",
                           "FRU_MAC_BSN_BPN_CPN_CSN_PPN_PV_PSN_AREA",
                           "BMC_MAC_ADDRESS_AREA",
                           "FAN_POLICY_AREA",
                           "LOGO_AREA",
                           "UPDATE",
                           "FRU_UPDATE_PSN_AREA",
                           "FRU_UPDATE_PSN_CSN_AREA",
                           "UPDATE_MAC_BPN_BSN"};
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(all[18 + i], std::string(20, ' ') + names[i]);
}

TEST(MacText, SpreadsTwelveCharactersOverSeventeenPositions) {
    EXPECT_STREQ(formatMacText("001122334455"), "00:11:22:33:44:55");
    EXPECT_STREQ(formatMacText("aabbccDDEEff"), "aa:bb:cc:DD:EE:ff");  // case kept
    EXPECT_STREQ(formatMacText("0011223344556677"), "00:11:22:33:44:55");
    // Already separated text is not recognised: its first 12 characters spread.
    EXPECT_STREQ(formatMacText("00:11:22:33:44:55"), "00::1:1::22::3:3:");
}

TEST(MacText, SecondCallReplacesTheFirstInTheSharedArea) {
    const char* first = formatMacText("001122334455");
    const char* second = formatMacText("66778899AABB");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "66:77:88:99:AA:BB");
}

TEST(MacText, OnlyTwelveHexadecimalDigitsPassTheCheck) {
    EXPECT_TRUE(isMacText("001122334455"));
    EXPECT_TRUE(isMacText("aAbBcCdDeEfF"));
    EXPECT_FALSE(isMacText("00112233445"));
    EXPECT_FALSE(isMacText("0011223344556"));
    EXPECT_FALSE(isMacText("00:11:22:33:44:55"));
    EXPECT_FALSE(isMacText("00112233445G"));
    EXPECT_FALSE(isMacText(""));
}

}  // namespace
