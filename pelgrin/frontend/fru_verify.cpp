#include "pelgrin/frontend/fru_verify.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/channel/fru_readback.h"
#include "pelgrin/image/fru_compare.h"
#include "pelgrin/image/fru_reader.h"
#include "pelgrin/image/sku_entry.h"
#include "pelgrin/image/sku_layout.h"
#include "pelgrin/run/exit_status.h"

namespace {

// The wait for the BMC and every read of its FRU share this bound.
// A BMC back from its reset may serve its previous FRU a while longer.
constexpr uint32_t NEW_FRU_WAIT_SECONDS = 30;
constexpr uint32_t NEW_FRU_PAUSE_SECONDS = 2;
constexpr uint64_t ONE_SECOND_US = 1000000;
// Header, then the area offsets' length bytes, then the areas: the BMC's own
// image is known after three rounds at most.
constexpr int EXTENT_ROUNDS = 4;

struct Verification {
    const uint8_t* fru;  // SKU.BIN's FRU image
    uint32_t fruSize;
    ReadbackClock clock;
    FruReadback readback;
    uint8_t* held;  // room for the BMC's whole area
};

void printDifference(void*, const char* line) {
    printf("Verify: %s\n", line);
}

}  // namespace

void printReadbackFault(const FruReadbackFault& fault) {
    printf("%s", fault.step);
    if (fault.atOffset)
        printf(" at offset 0x%04X", static_cast<unsigned>(fault.offset));
    switch (fault.stop) {
        case READBACK_EXCHANGE_FAILED:
            if (fault.outcome == EXCHANGE_NO_REPLY)
                printf(" got no answer over KCS");
            else
                printf(" got %s", exchangeFailureText(fault.outcome));
            return;
        case READBACK_COMPLETION_CODE:
            printf(" failed with completion code 0x%02X", fault.completionCode);
            return;
        case READBACK_NO_DATA:
            printf(" answered with no usable data");
            return;
        case READBACK_OUT_OF_TIME:
            printf(" did not finish within %u s", static_cast<unsigned>(READBACK_BOUND_SECONDS));
            return;
        case READBACK_OUT_OF_REQUESTS:
            printf(" did not finish within %u requests",
                   static_cast<unsigned>(FRU_READ_MAX_REQUESTS));
            return;
    }
}

namespace {

int readFailed(const FruReadbackFault& fault) {
    printf("Error! Verify: ");
    printReadbackFault(fault);
    printf("\n");
    return RUN_VERIFY_UNREADABLE;
}

int bmcNotBack(BmcWait wait) {
    if (wait == BMC_STILL_BUSY)
        printf(
            "Error! Verify: Get Device ID: the BMC still reported an update or "
            "initialisation in progress after %u s\n",
            static_cast<unsigned>(READBACK_BOUND_SECONDS));
    else
        printf("Error! Verify: Get Device ID: the BMC did not answer within %u s\n",
               static_cast<unsigned>(READBACK_BOUND_SECONDS));
    return RUN_VERIFY_UNREADABLE;
}

int matched(const Verification& v, bool everyByte) {
    printf("Verify: the BMC's FRU matches %s (%u bytes%s)\n", IMAGE_FILE,
           static_cast<unsigned>(v.fruSize), everyByte ? "" : ", manufacturing date not compared");
    return RUN_OK;
}

int compareWithBmc(const Verification& v, bool everyByte) {
    FruComparison comparison = {
        v.fru,
        v.fruSize,
        v.held,
        v.readback.size,
        everyByte ? FRU_COMPARE_EVERY_BYTE : FRU_COMPARE_FIELDS_BUT_MFG_DATE,
        printDifference,
        nullptr};
    if (fruCompare(comparison) != FRU_SAME)
        return RUN_VERIFY_MISMATCH;
    return matched(v, everyByte);
}

bool readImageSpan(Verification* v) {
    v->readback.size = 0;
    v->readback.requests = 0;
    return readFruData(v->held, v->fruSize, &v->readback, &v->clock);
}

bool heldMatches(const Verification& v) {
    return v.readback.size >= v.fruSize && memcmp(v.held, v.fru, v.fruSize) == 0;
}

bool timeForAnotherRead(const Verification& v, uint32_t firstMismatch) {
    uint32_t now = readbackSeconds(v.clock);
    return now - firstMismatch + NEW_FRU_PAUSE_SECONDS <= NEW_FRU_WAIT_SECONDS &&
           now + NEW_FRU_PAUSE_SECONDS < READBACK_BOUND_SECONDS;
}

// A BMC back from its reset may still serve the FRU it held before: a FRU
// that differs is read again every 2 s for a while; the first match ends it.
bool readAgainUntilNew(Verification* v) {
    if (v->readback.areaSize < v->fruSize)
        return true;  // no read of this area can ever match
    const uint32_t firstMismatch = readbackSeconds(v->clock);
    bool shown = false;
    bool readable = true;
    while (readable && !heldMatches(*v) && timeForAnotherRead(*v, firstMismatch)) {
        readbackPause(&v->clock, NEW_FRU_PAUSE_SECONDS * ONE_SECOND_US);
        printf("\rWaiting for the new FRU ... %u s",
               static_cast<unsigned>(readbackSeconds(v->clock) - firstMismatch));
        fflush(stdout);
        shown = true;
        readable = readImageSpan(v);
    }
    if (shown)
        putchar('\n');
    return readable;
}

uint32_t firstDifference(const Verification& v) {
    uint32_t common = v.readback.size < v.fruSize ? v.readback.size : v.fruSize;
    uint32_t at = 0;
    while (at < common && v.held[at] == v.fru[at])
        ++at;
    return at;
}

int tailUnreadable(const Verification& v) {
    printf(
        "Verify: the BMC's FRU differs from byte 0x%04X on and could not be read to its "
        "end: ",
        static_cast<unsigned>(firstDifference(v)));
    printReadbackFault(v.readback.fault);
    printf("\n");
    return RUN_VERIFY_MISMATCH;
}

// The first bytes differ, and that decides: the rest is for the operator,
// who is told field by field what the BMC holds, read as far as the BMC's
// own header says, however long its image is against SKU.BIN's.
int reportMismatch(Verification* v) {
    for (int round = 0; round < EXTENT_ROUNDS; ++round) {
        size_t extent = fruImageExtent(v->held, v->readback.size);
        if (extent <= v->readback.size || v->readback.size >= v->readback.areaSize)
            break;
        if (!readFruData(v->held, static_cast<uint32_t>(extent), &v->readback, &v->clock))
            return tailUnreadable(*v);
    }
    return compareWithBmc(*v, true);
}

int verifySentImage(Verification* v, VerifyAfter after) {
    if (!readImageSpan(v))
        return readFailed(v->readback.fault);
    if (after == VERIFY_AFTER_UPLOAD && !readAgainUntilNew(v))
        return readFailed(v->readback.fault);
    if (heldMatches(*v))
        return matched(*v, true);
    return reportMismatch(v);
}

// A board programmed earlier may hold an image of another length: its whole
// area is read once.
int verifyBoardAsItIs(Verification* v) {
    if (!readFruData(v->held, v->readback.areaSize, &v->readback, &v->clock))
        return readFailed(v->readback.fault);
    return compareWithBmc(*v, false);
}

}  // namespace

int verifyBmcFru(const uint8_t* skuImage, size_t size, VerifyAfter after) {
    Verification v;
    memset(&v, 0, sizeof v);
    if (!skuFindEntry(skuImage, size, SKU_FRU_ENTRY_NAME, &v.fru, &v.fruSize)) {
        printf("Error! Verify: %s holds no FRU image\n", IMAGE_FILE);
        return RUN_VERIFY_UNREADABLE;
    }
    readbackClockStart(&v.clock, READBACK_BOUND_SECONDS);
    if (after == VERIFY_AFTER_UPLOAD) {
        BmcWait wait = waitForBmc(&v.clock);
        if (wait != BMC_BACK)
            return bmcNotBack(wait);
    }
    if (!readFruAreaInfo(&v.readback, &v.clock))
        return readFailed(v.readback.fault);
    v.held = static_cast<uint8_t*>(malloc(v.readback.areaSize > 0 ? v.readback.areaSize : 1));
    if (v.held == nullptr)
        return RUN_OUT_OF_MEMORY;
    int status =
        after == VERIFY_BOARD_AS_IT_IS ? verifyBoardAsItIs(&v) : verifySentImage(&v, after);
    free(v.held);
    return status;
}
