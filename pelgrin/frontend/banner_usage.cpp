#include "pelgrin/frontend/banner_usage.h"

#include <stdio.h>

#include "pelgrin/run/run_constants.h"

namespace {

const char USAGE_TEXT[] =
    "\n"
    "Usage: pelgrin [OPTION]\n"
    "example:\n"
    " pelgrin  MainMAC=001122334455 ShareMAC=006677889910 BSN=1234567 CSN=246810\n"
    " pelgrin  WS=FRU_PRD_AREA PSN=123456789A\n"
    "\n"
    " MainMAC     : Dedicated LAN MAC Address\n"
    " ShareMAC    : Shared LAN MAC Address\n"
    " CSN         : Chassis Serial Number\n"
    " CPN         : Chassis Part Number\n"
    " BSN         : Board Serial Number\n"
    " BPN         : Board Part Number\n"
    " PSN         : Product Serial Number\n"
    " PPN         : Product Part Number\n"
    " ASSET       : Asset Tag\n"
    " PV          : Product Version\n"
    " WS          : Write Selection, set it empty for all\n"
    "               the available selection is:\n"
    "                    FRU_AREA\n"
    "                    FRU_CHS_AREA\n"
    "                    FRU_PRD_AREA\n"
    "                    FRU_BOARD_AREA\n"
    "                    FRU_PRD_CHS_AREA\n"
    "                    FRU_MAC_BSN_BPN_AREA\n"
    "                    FRU_CPN_CSN_PPN_PV_PSN_AREA\n"
    "                    FRU_BSN_BPN_CPN_CSN_PPN_PV_PSN_AREA\n"
    "                    FRU_MAC_BSN_BPN_CPN_CSN_PPN_PV_PSN_AREA\n"
    "                    BMC_MAC_ADDRESS_AREA\n"
    "                    FAN_POLICY_AREA\n"
    "                    LOGO_AREA\n"
    "                    UPDATE\n"
    "                    FRU_UPDATE_PSN_AREA\n"
    "                    FRU_UPDATE_PSN_CSN_AREA\n"
    "                    UPDATE_MAC_BPN_BSN\n"
    " DSBSHM   : Disable Writing to Share Memory after SKU.BIN generated\n";

}  // namespace

void printBanner() {
    printf(
        "\npelgrin.exe Version %s\n\npelgrin.exe is used for KORVALEN BMC firmware \n"
        "configuration under DOS/Linux. It helps production line \n"
        "to program FRU, MAC Address and Fan Policy into BMC.\n\n",
        PELGRIN_VERSION);
}

void printVersionLine() {
    printf("pelgrin.exe Version %s\n", PELGRIN_VERSION);
}

void printUsage() {
    printf("%s", USAGE_TEXT);
}
