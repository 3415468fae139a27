#include "pelgrin/frontend/fru_verify.h"

#include <stdio.h>
#include <stdlib.h>

#include "pelgrin/channel/fru_readback.h"
#include "pelgrin/image/fru_compare.h"
#include "pelgrin/image/sku_entry.h"
#include "pelgrin/image/sku_layout.h"
#include "pelgrin/run/exit_status.h"

namespace {

constexpr uint32_t BMC_RETURN_SECONDS = 120;

void printDifference(void*, const char* line) {
    printf("Verify: %s\n", line);
}

int readFailed(const FruReadbackFault& fault) {
    printf("Error! Verify: %s", fault.step);
    if (fault.atOffset)
        printf(" at offset 0x%04X", static_cast<unsigned>(fault.offset));
    if (!fault.answered)
        printf(" got no answer over KCS\n");
    else if (fault.completionCode != 0)
        printf(" failed with completion code 0x%02X\n", fault.completionCode);
    else
        printf(" answered with no usable data\n");
    return RUN_VERIFY_UNREADABLE;
}

int compareWithBmc(const uint8_t* fru, uint32_t fruSize, const uint8_t* held, uint32_t heldSize,
                   bool everyByte) {
    FruComparison comparison = {
        fru,
        fruSize,
        held,
        heldSize,
        everyByte ? FRU_COMPARE_EVERY_BYTE : FRU_COMPARE_FIELDS_BUT_MFG_DATE,
        printDifference,
        nullptr};
    if (fruCompare(comparison) != FRU_SAME)
        return RUN_VERIFY_MISMATCH;
    printf("Verify: the BMC's FRU matches %s (%u bytes%s)\n", IMAGE_FILE,
           static_cast<unsigned>(fruSize), everyByte ? "" : ", manufacturing date not compared");
    return RUN_OK;
}

}  // namespace

int verifyBmcFru(const uint8_t* skuImage, size_t size, VerifyAfter after) {
    const bool everyByte = after != VERIFY_BOARD_AS_IT_IS;
    const uint8_t* fru = nullptr;
    uint32_t fruSize = 0;
    if (!skuFindEntry(skuImage, size, SKU_FRU_ENTRY_NAME, &fru, &fruSize)) {
        printf("Error! Verify: %s holds no FRU image\n", IMAGE_FILE);
        return RUN_VERIFY_UNREADABLE;
    }
    if (after == VERIFY_AFTER_UPLOAD && !waitForBmcAnswer(BMC_RETURN_SECONDS)) {
        printf("Error! Verify: Get Device ID: the BMC did not answer within %u s\n",
               static_cast<unsigned>(BMC_RETURN_SECONDS));
        return RUN_VERIFY_UNREADABLE;
    }
    FruReadback readback = {};
    if (!readFruAreaInfo(&readback))
        return readFailed(readback.fault);
    // After a transfer only the image's span is compared; a board programmed
    // earlier may hold an image of another length.
    uint32_t capacity = everyByte ? fruSize : readback.areaSize;
    uint8_t* held = static_cast<uint8_t*>(malloc(capacity > 0 ? capacity : 1));
    if (held == nullptr)
        return RUN_OUT_OF_MEMORY;
    int status = readFruData(held, capacity, &readback)
                     ? compareWithBmc(fru, fruSize, held, readback.size, everyByte)
                     : readFailed(readback.fault);
    free(held);
    return status;
}
