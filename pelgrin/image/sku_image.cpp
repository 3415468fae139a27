// Packs the FRU image and the compressed description into SKU.BIN.
#include "pelgrin/image/sku_image.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "pelgrin/image/sku_layout.h"
#include "pelgrin/run/exit_status.h"

namespace {

struct SkuEntry {
    const char* name;
    const uint8_t* data;
    uint64_t offset;
    uint64_t size;
};

void putEntry(uint8_t* image, int index, const SkuEntry& entry) {
    uint8_t* record = image + SKU_DIRECTORY_OFFSET + index * SKU_ENTRY_SIZE;
    memcpy(record, entry.name, strlen(entry.name));
    skuPut24(record + SKU_ENTRY_DATA_OFFSET, entry.offset);
    skuPut24(record + SKU_ENTRY_DATA_SIZE, entry.size);
    if (entry.size == 0 || entry.data == nullptr)
        return;
    memcpy(image + entry.offset, entry.data, entry.size);
    skuPut16(record + SKU_ENTRY_CHECKSUM, byteSum16(entry.data, entry.size));
}

void putHeader(uint8_t* image, uint64_t imageSize) {
    memcpy(image, SKU_MAKER, SKU_MAKER_LENGTH);
    image[SKU_COUNT_OFFSET] = SKU_ENTRY_COUNT;
    skuPut24(image + SKU_SIZE_OFFSET, imageSize);
    // The checksum field is still zero while it is summed.
    skuPut16(image + SKU_CHECKSUM_OFFSET, byteSum16(image, SKU_CHECKSUMMED_BYTES));
}

int writeImageFile(const uint8_t* image, uint64_t imageSize) {
    // Truncating: a stale SKU.BIN that the run could not delete must not
    // travel to the BMC with this image behind its own.
    FILE* file = fopen(IMAGE_FILE, "wb");
    if (file == nullptr) {
        printf("Error! Can't create %s\n", IMAGE_FILE);
        return RUN_IMAGE_FILE_FAILED;
    }
    size_t written = fwrite(image, 1, imageSize, file);
    int closed = fclose(file);
    if (written != imageSize || closed != 0) {
        // A cut or empty SKU.BIN (full disk) must not be taken for an image later.
        remove(IMAGE_FILE);
        printf("Error! Can't write %s\n", IMAGE_FILE);
        return RUN_IMAGE_FILE_FAILED;
    }
    return RUN_OK;
}

}  // namespace

int buildSkuImage(SkuContext* context, uint8_t* imageBuffer) {
    uint64_t descriptionOffset = skuRoundToBlock(SKU_HEADER_SIZE + context->fruImageSize);
    uint64_t imageSize = skuRoundToBlock(descriptionOffset + context->skuGzSize);
    if (imageSize > SKU_IMAGE_MAX) {
        int shown = imageSize > INT_MAX ? INT_MAX : static_cast<int>(imageSize);
        printf("Error! %s is too big (size = %d\n)", IMAGE_FILE, shown);
        return RUN_IMAGE_FILE_FAILED;
    }
    // The owner hands the buffer over zeroed; clearing the image span again
    // keeps header, reserved fields and padding zero even if it did not.
    memset(imageBuffer, 0, imageSize);
    const SkuEntry entries[SKU_ENTRY_COUNT] = {
        {SKU_MAC_ENTRY_NAME, nullptr, 0, 0},
        {SKU_FRU_ENTRY_NAME, context->fruImage, SKU_HEADER_SIZE, context->fruImageSize},
        {SKU_DESCRIPTION_ENTRY_NAME, context->skuGz, descriptionOffset, context->skuGzSize},
    };
    for (int i = 0; i < SKU_ENTRY_COUNT; ++i)
        putEntry(imageBuffer, i, entries[i]);
    putHeader(imageBuffer, imageSize);
    return writeImageFile(imageBuffer, imageSize);
}
