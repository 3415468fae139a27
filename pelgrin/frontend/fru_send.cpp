#include "pelgrin/frontend/fru_send.h"

#include <stdio.h>

#include "pelgrin/channel/fru_write.h"
#include "pelgrin/frontend/fru_verify.h"
#include "pelgrin/image/sku_entry.h"
#include "pelgrin/image/sku_layout.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"

namespace {

int stepFailed(const FruWriteFault& fault, int status) {
    printf("Error! WRITEFRU: %s", fault.step);
    if (fault.atOffset)
        printf(" at offset 0x%04X", static_cast<unsigned>(fault.offset));
    if (fault.outcome != EXCHANGE_ANSWERED)
        printf(" got %s over KCS\n", exchangeFailureText(fault.outcome));
    else if (fault.completionCode != 0)
        printf(" failed with completion code 0x%02X\n", fault.completionCode);
    else
        printf(" wrote no byte\n");
    return status;
}

int reportOutcome(FruWriteOutcome outcome, const FruWriteReport& report, uint32_t size) {
    switch (outcome) {
        case FRU_WRITE_DONE:
            printf("FRU device 0: %u of %u bytes written\n", static_cast<unsigned>(report.written),
                   static_cast<unsigned>(size));
            return RUN_OK;
        case FRU_WRITE_NO_BMC:
            return stepFailed(report.fault, RUN_VERIFY_UNREADABLE);
        case FRU_WRITE_AREA_TOO_SMALL:
            printf("Error! The BMC's FRU area holds %u bytes; the image needs %u\n",
                   static_cast<unsigned>(report.areaSize), static_cast<unsigned>(report.needed));
            return RUN_FRU_WRITE_FAILED;
        case FRU_WRITE_OUT_OF_MEMORY:
            return RUN_OUT_OF_MEMORY;
        case FRU_WRITE_AREA_UNKNOWN:
        case FRU_WRITE_READ_FAILED:
            printf("Error! WRITEFRU: ");
            printReadbackFault(report.readFault);
            printf("\n");
            return RUN_FRU_WRITE_FAILED;
        case FRU_WRITE_REFUSED:
            break;
    }
    return stepFailed(report.fault, RUN_FRU_WRITE_FAILED);
}

}  // namespace

int sendFruOverKcs(const uint8_t* skuImage, size_t size) {
    const uint8_t* fru = nullptr;
    uint32_t fruSize = 0;
    if (!skuFindEntry(skuImage, size, SKU_FRU_ENTRY_NAME, &fru, &fruSize)) {
        printf("Error! WRITEFRU: %s holds no FRU image\n", IMAGE_FILE);
        return RUN_FRU_WRITE_FAILED;
    }
    printf(
        "Writing the FRU image of %s into FRU device 0 over KCS (%s and the MAC addresses "
        "are not sent this way)\n",
        IMAGE_FILE, COMPRESSED_FILE);
    fflush(stdout);
    FruWriteReport report;
    FruWriteOutcome outcome = writeFruDevice0(fru, fruSize, &report);
    return reportOutcome(outcome, report, fruSize);
}
