#include "pelgrin/frontend/field_text.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/frontend/sku_context.h"

namespace {

char macText[18];

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

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void printBanner() {
    printf(
        "\npelgrin.exe Version %s\n\npelgrin.exe is used for KORVALEN BMC firmware \n"
        "configuration under DOS/Linux. It helps production line \n"
        "to program FRU, MAC Address and Fan Policy into BMC.\n\n",
        PELGRIN_VERSION);
}

void printUsage() {
    printf("%s", USAGE_TEXT);
}

const char* formatMacText(const char* mac) {
    memset(macText, 0, sizeof macText);
    for (int position = 1; position <= 17; ++position) {
        macText[position - 1] = position % 3 == 0 ? ':' : *mac++;
    }
    return macText;
}

bool isMacText(const char* value) {
    for (int i = 0; i < 12; ++i) {
        if (!isHexDigit(value[i]))
            return false;
    }
    return value[12] == '\0';
}
