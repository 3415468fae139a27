// The BMC's 64 KB memory window, found among the PCI functions as the display
// function with I/O and memory decoding on whose memory BAR holds the whole
// window, and the channel opened through it.
#include "pelgrin/channel/smem_channel.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/channel/oem_requests.h"
#include "pelgrin/channel/smem_layout.h"
#include "pelgrin/channel/smem_transfers.h"
#include "platform/platform.h"

uint32_t smemBase = 0;
uint32_t smemDataBase = 0;

namespace {

constexpr uint32_t PCI_HEADER_SIZE = 16;
constexpr uint32_t PCI_COMMAND = 0x04;
constexpr uint32_t PCI_PROG_IF = 0x09;
constexpr uint32_t PCI_SUB_CLASS = 0x0A;
constexpr uint32_t PCI_BASE_CLASS = 0x0B;
constexpr uint32_t PCI_WINDOW_REGISTER = 0x14;
constexpr uint16_t PCI_COMMAND_IO_AND_MEMORY = 0x0003;
constexpr uint8_t PCI_CLASS_DISPLAY = 0x03;
constexpr uint32_t BAR_IO_SPACE = 0x1;
constexpr uint32_t BAR_MEMORY_FLAGS = 0xF;

bool isBmcDisplayHeader(const uint8_t* header) {
    uint16_t command = static_cast<uint16_t>(header[PCI_COMMAND] | header[PCI_COMMAND + 1] << 8);
    return (command & PCI_COMMAND_IO_AND_MEMORY) == PCI_COMMAND_IO_AND_MEMORY &&
           header[PCI_BASE_CLASS] == PCI_CLASS_DISPLAY && header[PCI_SUB_CLASS] == 0x00 &&
           header[PCI_PROG_IF] == 0x00;
}

bool readHeader(PlatformHandle handle, PlatformPciIo** pciIo, uint8_t* header) {
    if (platformOpenPciIo(handle, pciIo) != EFI_SUCCESS) {
        puts("Error: Try to open the EFI PCI IO protocol on handle");
        return false;
    }
    EfiStatus status =
        platformPciConfigRead(*pciIo, PLATFORM_PCI_WIDTH_UINT8, 0, PCI_HEADER_SIZE, header);
    if (status != EFI_SUCCESS) {
        printf("Error: Read the PCi configuration space, %d.\n\n", static_cast<int32_t>(status));
        return false;
    }
    return true;
}

// A register that reads 0 or decodes I/O space cannot be our memory window;
// a memory BAR's low four bits are type flags, not address.
bool readWindowBase(PlatformPciIo* pciIo, uint64_t* barBase) {
    uint32_t bar = 0;
    platformPciConfigRead(pciIo, PLATFORM_PCI_WIDTH_UINT32, PCI_WINDOW_REGISTER, 1, &bar);
    if (bar == 0 || (bar & BAR_IO_SPACE) != 0)
        return false;
    *barBase = bar & ~BAR_MEMORY_FLAGS;
    return true;
}

// A smaller BAR would send the registers and data past the function's own
// memory, into space nothing decodes or another device's registers, where
// every write is lost and the doorbell is taken for nothing.
bool windowFits(PlatformPciIo* pciIo) {
    uint64_t length = 0;
    return platformPciBarLength(pciIo, PCI_WINDOW_REGISTER, &length) == EFI_SUCCESS &&
           length >= WINDOW_SPAN;
}

bool findWindowBase(PlatformHandle handle, uint64_t* barBase) {
    PlatformPciIo* pciIo = nullptr;
    uint8_t header[PCI_HEADER_SIZE];
    if (!readHeader(handle, &pciIo, header) || !isBmcDisplayHeader(header))
        return false;
    return readWindowBase(pciIo, barBase) && windowFits(pciIo);
}

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

BmcWindow* findBmcWindow() {
    size_t count = 0;
    PlatformHandle* handles = nullptr;
    if (platformLocatePciIoHandles(&count, &handles) != EFI_SUCCESS) {
        puts("Error: Try to find handles with Pci Io protocol");
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
        uint64_t barBase = 0;
        if (findWindowBase(handles[i], &barBase))
            return newBmcWindow(barBase);
    }
    return nullptr;
}

void selectBase(BmcWindow* window, uint64_t remoteAddress, uint64_t* windowPointer) {
    platformPhysWrite32(window->barBase + WINDOW_BASE_REGISTER,
                        static_cast<uint32_t>(remoteAddress));
    *windowPointer = window->barBase + WINDOW_DATA_OFFSET;
}

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
