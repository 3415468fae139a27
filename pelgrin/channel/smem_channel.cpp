// The BMC's 64 KB memory window, found among the PCI functions, and the
// channel opened through it. Nothing is written to BMC memory before the
// address, the window and its base register have all been checked.
#include "pelgrin/channel/smem_channel.h"

#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/channel/bmc_window_search.h"
#include "pelgrin/channel/oem_requests.h"
#include "pelgrin/channel/smem_layout.h"
#include "pelgrin/channel/smem_transfers.h"
#include "pelgrin/run/exit_status.h"
#include "platform/platform.h"

uint32_t smemBase = 0;
uint32_t smemDataBase = 0;

namespace {

constexpr uint32_t PCI_WINDOW_REGISTER = 0x14;
constexpr uint64_t FOUR_GIB = 0x100000000ull;
constexpr uint32_t SMEM_ALIGNMENT = 0x10000;
// The channel reaches from the address to the end of the data area.
constexpr uint64_t SMEM_AREA_END = SMEM_DATA_AREA_OFFSET + SMEM_WINDOW_SIZE;
constexpr size_t CANDIDATE_TEXT = 32;

void enableBmcWindow(uint64_t barBase) {
    platformPhysWrite8(barBase + WINDOW_ENABLE_REGISTER, 1);
}

BmcWindow* newBmcWindow(uint64_t barBase) {
    BmcWindow* window = static_cast<BmcWindow*>(malloc(sizeof(BmcWindow)));
    if (window == nullptr)
        return nullptr;
    memset(window, 0, sizeof *window);
    window->selectBase = selectBase;
    window->barBase = barBase;
    enableBmcWindow(barBase);
    return window;
}

void printCandidates(const WindowSearch& search) {
    printf(
        "Error! More than one display function could hold the BMC's window (choose with "
        "VELSKU_BMC_PCI_VENDORS):");
    size_t shown = search.count < WINDOW_CANDIDATES_SHOWN ? search.count : WINDOW_CANDIDATES_SHOWN;
    for (size_t i = 0; i < shown; ++i) {
        char text[CANDIDATE_TEXT];
        formatCandidate(search.candidates[i], text, sizeof text);
        printf("%s %s", i == 0 ? "" : ",", text);
    }
    printf(search.count > shown ? ", ...\n" : "\n");
}

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

int32_t failureFor(WindowFound found) {
    if (found == WINDOW_NONE)
        puts("Initial SMem Failed");
    return found == WINDOW_REFUSED ? RUN_HARDWARE_REFUSED : RUN_NO_CHANNEL;
}

// Without an address from the BMC any write would land in memory the BMC
// never offered, so nothing is cleared and no window is opened.
bool takeSmemAddress() {
    uint32_t address = 0;
    if (!querySmemAddress(&address)) {
        puts("Error! The BMC gave no shared-memory address");
        return false;
    }
    if (!smemAddressUsable(address))
        return false;
    smemBase = address;
    smemDataBase = address + SMEM_DATA_AREA_OFFSET;
    printf("ShareMemAddr = (0x%x, 0x%x)\n", smemBase, smemDataBase);
    return true;
}

SmemChannel* channelOn(BmcWindow* window, uint8_t kind, int32_t* failure) {
    SmemChannel* channel = newChannel();
    if (channel == nullptr) {
        free(window);
        *failure = RUN_OUT_OF_MEMORY;
        return nullptr;
    }
    channel->window = window;
    if (!window->selectBase(window, smemBase, &channel->windowPointer)) {
        closeSmemChannel(channel);
        *failure = RUN_NO_CHANNEL;
        return nullptr;
    }
    platformPhysZero(channel->windowPointer, SMEM_WINDOW_SIZE);
    channel->operation = operationFor(kind);
    if (channel->operation == nullptr)
        puts("Null Handler!");
    return channel;
}

}  // namespace

bool smemAddressUsable(uint32_t address) {
    const char* reason = nullptr;
    if (address == 0)
        reason = "it is 0";
    else if (address % SMEM_ALIGNMENT != 0)
        reason = "it is not 64 KiB aligned";
    else if (address + SMEM_AREA_END > FOUR_GIB)
        reason = "its data area would pass 4 GiB";
    if (reason == nullptr)
        return true;
    printf("Error! The BMC's shared-memory address 0x%08X cannot be used: %s\n", address, reason);
    return false;
}

WindowFound findBmcWindow(const uint32_t* vendors, BmcWindow** window) {
    WindowSearch search;
    if (!searchWindowCandidates(vendors, &search) || search.count == 0)
        return WINDOW_NONE;
    if (search.count > 1) {
        printCandidates(search);
        return WINDOW_AMBIGUOUS;
    }
    const WindowCandidate& chosen = search.candidates[0];
    if (platformPciClaimWindow(chosen.pciIo, PCI_WINDOW_REGISTER, chosen.barBase,
                               chosen.barLength) != EFI_SUCCESS)
        return WINDOW_REFUSED;
    *window = newBmcWindow(chosen.barBase);
    return *window != nullptr ? WINDOW_FOUND : WINDOW_NONE;
}

bool selectBase(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer) {
    const uint32_t base = static_cast<uint32_t>(remoteAddress);
    platformPhysWrite32(window->barBase + WINDOW_BASE_REGISTER, base);
    *windowPointer = window->barBase + WINDOW_DATA_OFFSET;
    uint32_t readBack = platformPhysRead32(window->barBase + WINDOW_BASE_REGISTER);
    if (readBack == base)
        return true;
    printf("Error! The BMC window at 0x%" PRIx64 " did not take base 0x%08X (reads 0x%08X)\n",
           window->barBase, base, readBack);
    return false;
}

SmemChannel* openSmemChannel(uint8_t kind, int32_t* failure) {
    *failure = RUN_NO_CHANNEL;
    if (!takeSmemAddress())
        return nullptr;
    BmcWindow* window = nullptr;
    WindowFound found = findBmcWindow(BMC_PCI_VENDORS, &window);
    if (found != WINDOW_FOUND) {
        *failure = failureFor(found);
        return nullptr;
    }
    return channelOn(window, kind, failure);
}

void closeSmemChannel(SmemChannel* channel) {
    if (channel == nullptr)
        return;
    free(channel->window);
    free(channel);
}
