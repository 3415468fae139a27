#include "pelgrin/frontend/pelgrin_main.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/frontend/field_text.h"
#include "pelgrin/frontend/keywords.h"
#include "pelgrin/frontend/summary.h"
#include "pelgrin/sku/process_sku.h"

namespace {

const char IMAGE_FILE[] = "SKU.BIN";

// The outputs are opened for appending later, so a fresh run starts by
// removing what an earlier one left; missing files are fine.
void deleteStaleOutputs() {
    unlink("SKU.BIN");
    unlink("SKU.ZIP");
    unlink("mysku.xml");
    unlink("mysku.xmz");
}

int sendImageToBmc() {
    printf("Writing %s in Share memory ...\n", IMAGE_FILE);
    printf("Please wait 30 seconds at most\n");
    SmemChannel* channel = openSmemChannel(SMEM_OP_FILE_UPLOAD);
    if (channel == nullptr) {
        printf("Initial SMem Request failed\n");
        return 7;
    }
    int status = channel->operation ? channel->operation(channel, IMAGE_FILE) : 7;
    closeSmemChannel(channel);
    return status;
}

int produceAndSend(SkuContext* context, const RunFlags& flags) {
    uint8_t* imageBuffer = static_cast<uint8_t*>(malloc(IMAGE_BUFFER_SIZE));
    if (imageBuffer == nullptr)
        return -12;
    memset(imageBuffer, 0, IMAGE_BUFFER_SIZE);

    int status = processSku(context, imageBuffer);
    if (status == 0) {
        printSummary(context);
        if (flags.writeToSharedMemory)
            status = sendImageToBmc();
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
    RunFlags flags = {false, true, false};

    deleteStaleOutputs();
    printBanner();
    scanKeywords(argc, argv, &context, &flags);
    if (flags.helpRequested || !flags.anyValueGiven) {
        printUsage();
        return flags.helpRequested ? 0 : 6;
    }
    int status = checkMacValues(&context);
    if (status != 0)
        return status;
    return produceAndSend(&context, flags);
}
