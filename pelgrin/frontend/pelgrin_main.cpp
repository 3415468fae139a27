#include "pelgrin/frontend/pelgrin_main.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/frontend/banner_usage.h"
#include "pelgrin/frontend/bmc_claim.h"
#include "pelgrin/frontend/fru_send.h"
#include "pelgrin/frontend/fru_verify.h"
#include "pelgrin/frontend/keywords.h"
#include "pelgrin/frontend/station.h"
#include "pelgrin/frontend/summary.h"
#include "pelgrin/record/unit_record.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/given_values.h"
#include "pelgrin/sku/process_sku.h"

namespace {

// Once the words are accepted, and only then, no file of an earlier unit may
// survive to be taken for this one's, whether this run succeeds or not; a run
// refused for its words changes no file. Missing files are fine.
void deleteStaleOutputs() {
    unlink(IMAGE_FILE);
    unlink(OLD_ZIP_FILE);
    unlink(MERGED_FILE);
    unlink(COMPRESSED_FILE);
    unlink(OLD_XMZ_FILE);
}

int sendImageToBmc(const char** sentBy) {
    printf("Writing %s in Share memory ...\n", IMAGE_FILE);
    printf("Please wait 30 seconds at most\n");
    int32_t failure = RUN_NO_CHANNEL;
    SmemChannel* channel = openSmemChannel(SMEM_OP_FILE_UPLOAD, &failure);
    if (channel == nullptr) {
        printf("Initial SMem Request failed\n");
        return failure;
    }
    int status = channel->operation ? channel->operation(channel, IMAGE_FILE) : RUN_NO_CHANNEL;
    *sentBy = status == RUN_OK ? SENT_THROUGH_WINDOW : nullptr;
    closeSmemChannel(channel);
    return status;
}

int sendFru(const uint8_t* imageBuffer, const char** sentBy) {
    int status = sendFruOverKcs(imageBuffer, SKU_IMAGE_MAX);
    *sentBy = status == RUN_OK ? SENT_AS_FRU : nullptr;
    return status;
}

VerifyAfter whatWasSent(const RunFlags& flags) {
    if (!flags.writeToSharedMemory)
        return VERIFY_BOARD_AS_IT_IS;
    return flags.writeFru ? VERIFY_AFTER_FRU_WRITE : VERIFY_AFTER_UPLOAD;
}

int produceAndSend(SkuContext* context, const RunFlags& flags, const char** sentBy) {
    uint8_t* imageBuffer = static_cast<uint8_t*>(malloc(SKU_IMAGE_MAX));
    if (imageBuffer == nullptr)
        return RUN_OUT_OF_MEMORY;
    memset(imageBuffer, 0, SKU_IMAGE_MAX);

    int status = processSku(context, imageBuffer);
    if (status == RUN_OK && (flags.writeToSharedMemory || flags.verify))
        status = claimBmcForRun();
    if (status == RUN_OK) {
        printSummary(context);
        if (flags.writeFru)
            status = sendFru(imageBuffer, sentBy);
        else if (flags.writeToSharedMemory)
            status = sendImageToBmc(sentBy);
        if (status == RUN_OK && flags.verify)
            status = verifyBmcFru(imageBuffer, SKU_IMAGE_MAX, whatWasSent(flags));
    }
    free(context->skuGz);
    context->skuGz = nullptr;
    free(imageBuffer);
    return status;
}

}  // namespace

int pelgrinMain(int argc, char** argv) {
    SkuContext context;
    memset(&context, 0, sizeof context);
    RunFlags flags;
    memset(&flags, 0, sizeof flags);
    flags.writeToSharedMemory = true;

    scanKeywords(argc, argv, &context, &flags);
    if (flags.versionRequested) {
        printVersionLine();
        return RUN_OK;
    }
    printBanner();
    if (flags.refusedWord != nullptr) {
        printRefusedWord(&flags);
        return RUN_BAD_GIVEN_VALUE;
    }
    if (flags.helpRequested) {
        printUsage();
        return RUN_OK;
    }
    PromptAnswers answers;
    StationRun station = {false, nullptr, flags.verify, false, 0, {}};
    // A log that cannot take the record stops the unit before anything.
    int status = beginStationRun(flags, &station);
    if (status != RUN_OK)
        return status;
    // A unit whose values were not all scanned leaves every file as it was.
    status = askStationValues(&flags, &context, &answers, &station);
    if (status != RUN_OK)
        return endStationRun(flags, context, status, &station);
    if (!flags.anyValueGiven) {
        printUsage();
        // No unit stands behind a usage run: nothing to record.
        return endStationRun(RunFlags{}, context, RUN_NO_VALUE, &station);
    }
    status = checkGivenValues(&context);
    if (status == RUN_OK)
        status = checkStationInputs(flags, &context, &station);
    if (status == RUN_OK) {
        deleteStaleOutputs();
        station.outputsCleared = true;
        status = produceAndSend(&context, flags, &station.sentBy);
    }
    return endStationRun(flags, context, status, &station);
}
