// The operator's value keywords, in the order the command line tries them and
// the summary shows them: adding a value means one row here (and, when the
// value goes into a file, one row in the SKU layer's map of where it goes).
#pragma once

#include <stddef.h>

#include "pelgrin/run/sku_context.h"

struct ValueKeyword {
    const char* keyword;
    const char* SkuContext::*field;
    const char* summaryFormat;  // null: never shown
    bool isMacAddress;          // shown as "xx:xx:..." above the blank line
};

// The summary's formats carry their blanks as stations have always seen them.
inline constexpr ValueKeyword VALUE_KEYWORDS[] = {
    {"MainMAC", &SkuContext::mainMac, "      Main MAC Address     : %s\n", true},
    {"ShareMAC", &SkuContext::shareMac, "     Share MAC Address     : %s\n", true},
    {"CSN", &SkuContext::chassisSerialNumber, " Chassis Serial Number *   : %s\n", false},
    {"CPN", &SkuContext::chassisPartNumber, " Chassis Part Number *   : %s\n", false},
    {"BSN", &SkuContext::boardSerialNumber, " Board Serial Number *     : %s\n", false},
    {"BPN", &SkuContext::boardPartNumber, " Board Part Number *     : %s\n", false},
    {"PSN", &SkuContext::productSerialNumber, " Product Serial Number *   : %s\n", false},
    {"PPN", &SkuContext::productPartNumber, " Product Part Number *   : %s\n", false},
    {"ASSET", &SkuContext::assetTag, " ASSET TAG *   : %s\n", false},
    {"PN", &SkuContext::productName, " Product Name *   : %s\n", false},
    {"RU", &SkuContext::rmcUnit, " RMC Unit *   : %s\n", false},
    {"NU", &SkuContext::nodeUnit, " Node Unit *   : %s\n", false},
    {"PB", &SkuContext::powerBank, " Power Bank *   : %s\n", false},
    {"PV", &SkuContext::productVersion, " Product Version *   : %s\n", false},
    {"WS", &SkuContext::writeSelection, nullptr, false},
};
