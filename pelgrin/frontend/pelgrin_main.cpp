#include "pelgrin/frontend/pelgrin_main.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/frontend/banner_usage.h"
#include "pelgrin/frontend/fru_verify.h"
#include "pelgrin/frontend/keywords.h"
#include "pelgrin/frontend/summary.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/process_sku.h"

namespace {

// No file of an earlier unit may be taken for this one's; missing files are
// fine.
void deleteStaleOutputs() {
    unlink(IMAGE_FILE);
    unlink(OLD_ZIP_FILE);
    unlink(MERGED_FILE);
    unlink(OLD_XMZ_FILE);
}

int sendImageToBmc() {
    printf("Writing %s in Share memory ...\n", IMAGE_FILE);
    printf("Please wait 30 seconds at most\n");
    SmemChannel* channel = openSmemChannel(SMEM_OP_FILE_UPLOAD);
    if (channel == nullptr) {
        printf("Initial SMem Request failed\n");
        return RUN_NO_CHANNEL;
    }
    int status = channel->operation ? channel->operation(channel, IMAGE_FILE) : RUN_NO_CHANNEL;
    closeSmemChannel(channel);
    return status;
}

int produceAndSend(SkuContext* context, const RunFlags& flags) {
    uint8_t* imageBuffer = static_cast<uint8_t*>(malloc(SKU_IMAGE_MAX));
    if (imageBuffer == nullptr)
        return RUN_OUT_OF_MEMORY;
    memset(imageBuffer, 0, SKU_IMAGE_MAX);

    int status = processSku(context, imageBuffer);
    if (status == RUN_OK) {
        printSummary(context);
        if (flags.writeToSharedMemory)
            status = sendImageToBmc();
        if (status == RUN_OK && flags.verify)
            status = verifyBmcFru(imageBuffer, SKU_IMAGE_MAX, flags.writeToSharedMemory);
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
    RunFlags flags = {false, true, false, false};

    deleteStaleOutputs();
    printBanner();
    scanKeywords(argc, argv, &context, &flags);
    if (flags.helpRequested || !flags.anyValueGiven) {
        printUsage();
        return flags.helpRequested ? RUN_OK : RUN_NO_VALUE;
    }
    int status = checkMacValues(&context);
    if (status != RUN_OK)
        return status;
    return produceAndSend(&context, flags);
}
