#include "pelgrin/channel/smem_channel.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/channel/bmc_requests.h"
#include "pelgrin/channel/bmc_window.h"
#include "pelgrin/channel/smem_layout.h"
#include "pelgrin/channel/smem_transfers.h"
#include "platform/platform.h"

uint32_t smemBase = 0;
uint32_t smemDataBase = 0;

namespace {

using SmemOperation = int32_t (*)(SmemChannel* channel, const char* path);

SmemOperation operationFor(uint8_t kind) {
    switch (kind) {
        case SMEM_OP_FIRMWARE_UPDATE:
            return updateFirmware;
        case SMEM_OP_FILE_UPLOAD:
            return uploadFile;
        default:
            return nullptr;
    }
}

SmemChannel* newChannel() {
    SmemChannel* channel = static_cast<SmemChannel*>(malloc(sizeof(SmemChannel)));
    if (channel != nullptr)
        memset(channel, 0, sizeof *channel);
    return channel;
}

}  // namespace

SmemChannel* openSmemChannel(uint8_t kind) {
    uint32_t address = 0;
    // Without an address from the BMC any write would land in memory the BMC
    // never offered, so nothing is cleared and no window is opened.
    if (!querySmemAddress(&address)) {
        puts("Error! The BMC gave no shared-memory address");
        return nullptr;
    }
    smemBase = address;
    smemDataBase = address + SMEM_DATA_AREA_OFFSET;
    printf("ShareMemAddr = (0x%x, 0x%x)\n", smemBase, smemDataBase);
    SmemChannel* channel = newChannel();
    if (channel == nullptr)
        return nullptr;
    BmcWindow* window = findBmcWindow();
    if (window == nullptr) {
        puts("Initial SMem Failed");
        free(channel);
        return nullptr;
    }
    window->selectBase(window, smemBase, &channel->windowPointer);
    platformPhysZero(channel->windowPointer, SMEM_WINDOW_SIZE);
    channel->window = window;
    channel->operation = operationFor(kind);
    if (channel->operation == nullptr)
        puts("Null Handler!");
    return channel;
}

void closeSmemChannel(SmemChannel* channel) {
    if (channel == nullptr)
        return;
    free(channel->window);
    free(channel);
}
