#include "pelgrin/frontend/summary.h"

#include <stdio.h>

#include "pelgrin/frontend/field_text.h"

namespace {

void printIfGiven(const char* format, const char* value) {
    if (value != nullptr)
        printf(format, value);
}

}  // namespace

void printSummary(const SkuContext* context) {
    printf("              Board ID     : %s\n", context->boardId);
    printf("             Rand Code     : %s\n", context->randCode);
    // formatMacText shares one buffer: print each line before the next call.
    if (context->mainMac != nullptr)
        printf("      Main MAC Address     : %s\n", formatMacText(context->mainMac));
    if (context->shareMac != nullptr)
        printf("     Share MAC Address     : %s\n", formatMacText(context->shareMac));
    printf("\n");
    printIfGiven(" Chassis Serial Number *   : %s\n", context->chassisSerialNumber);
    printIfGiven(" Chassis Part Number *   : %s\n", context->chassisPartNumber);
    printIfGiven(" Board Serial Number *     : %s\n", context->boardSerialNumber);
    printIfGiven(" Board Part Number *     : %s\n", context->boardPartNumber);
    printIfGiven(" Product Serial Number *   : %s\n", context->productSerialNumber);
    printIfGiven(" Product Part Number *   : %s\n", context->productPartNumber);
    printIfGiven(" ASSET TAG *   : %s\n", context->assetTag);
    printIfGiven(" Product Name *   : %s\n", context->productName);
    printIfGiven(" RMC Unit *   : %s\n", context->rmcUnit);
    printIfGiven(" Node Unit *   : %s\n", context->nodeUnit);
    printIfGiven(" Power Bank *   : %s\n", context->powerBank);
    printIfGiven(" Product Version *   : %s\n", context->productVersion);
}
