#include "pelgrin/image/fru_builder.h"

#include <stdlib.h>
#include <string.h>

#include "pelgrin/image/fru_builder_record.h"

FruBuilder* fruBuilderCreate(size_t capacity) {
    // The buffer lives directly behind the record, in the same block, so one
    // free releases both.
    size_t blockSize = sizeof(FruBuilder) + capacity;
    FruBuilder* builder = static_cast<FruBuilder*>(malloc(blockSize));
    if (builder == nullptr)
        return nullptr;
    memset(builder, 0, blockSize);
    builder->bufferStart = reinterpret_cast<uint8_t*>(builder + 1);
    builder->imageStart = builder->bufferStart;
    builder->capacity = capacity;
    if (capacity > 0)
        builder->bufferStart[0] = 0x01;
    return builder;
}

namespace {

// The slot that holds the text of `id`, or null when `id` names no text field.
char** fruTextSlot(FruBuilder* builder, int id) {
    switch (id) {
        case FRU_CHASSIS_PART_NUMBER:
            return &builder->chassisPartNumber;
        case FRU_CHASSIS_SERIAL_NUMBER:
            return &builder->chassisSerialNumber;
        case FRU_BOARD_MANUFACTURER:
            return &builder->boardManufacturer;
        case FRU_BOARD_PRODUCT_NAME:
            return &builder->boardProductName;
        case FRU_BOARD_SERIAL_NUMBER:
            return &builder->boardSerialNumber;
        case FRU_BOARD_PART_NUMBER:
            return &builder->boardPartNumber;
        case FRU_BOARD_FILE_ID:
            return &builder->boardFileId;
        case FRU_PRODUCT_MANUFACTURER:
            return &builder->productManufacturer;
        case FRU_PRODUCT_NAME:
            return &builder->productName;
        case FRU_PRODUCT_PART_NUMBER:
            return &builder->productPartNumber;
        case FRU_PRODUCT_SERIAL_NUMBER:
            return &builder->productSerialNumber;
        case FRU_PRODUCT_VERSION:
            return &builder->productVersion;
        case FRU_PRODUCT_ASSET_TAG:
            return &builder->productAssetTag;
        case FRU_PRODUCT_FILE_ID:
            return &builder->productFileId;
        default:
            return nullptr;
    }
}

uint8_t* byteSlot(FruBuilder* builder, int id) {
    switch (id) {
        case FRU_CHASSIS_TYPE:
            return &builder->chassisType;
        case FRU_BOARD_LANGUAGE:
            return &builder->boardLanguage;
        case FRU_PRODUCT_LANGUAGE:
            return &builder->productLanguage;
        default:
            return nullptr;
    }
}

int replaceText(char** slot, const void* value, size_t length) {
    // The new copy is made before the old one goes, so that a failed
    // allocation leaves the field as it was.
    char* copy = static_cast<char*>(malloc(length + 1));
    if (copy == nullptr)
        return FRU_BUILD_FAILED;
    memset(copy, 0, length + 1);
    memcpy(copy, value, length);
    free(*slot);
    *slot = copy;
    return FRU_BUILD_OK;
}

}  // namespace

int fruBuilderSet(FruBuilder* builder, int id, const void* value, size_t length) {
    if (builder == nullptr)
        return FRU_BUILD_FAILED;
    uint8_t* byteField = byteSlot(builder, id);
    char** textField = fruTextSlot(builder, id);
    if (byteField == nullptr && textField == nullptr && id != FRU_BOARD_MFG_DATE_TIME)
        return FRU_BUILD_FAILED;
    if (value == nullptr)
        return FRU_BUILD_OK;
    if (byteField != nullptr) {
        *byteField = *static_cast<const uint8_t*>(value);
        return FRU_BUILD_OK;
    }
    if (textField != nullptr)
        return replaceText(textField, value, length);
    // Callers pass exactly three bytes; more would run past the slot.
    size_t copied = length < FRU_DATE_TIME_BYTES ? length : FRU_DATE_TIME_BYTES;
    memcpy(builder->boardMfgDateTime, value, copied);
    return FRU_BUILD_OK;
}

void fruBuilderFree(FruBuilder* builder) {
    if (builder == nullptr)
        return;
    for (int id = FRU_CHASSIS_TYPE; id <= FRU_PRODUCT_FILE_ID; ++id) {
        char** slot = fruTextSlot(builder, id);
        if (slot != nullptr)
            free(*slot);
    }
    free(builder);
}
