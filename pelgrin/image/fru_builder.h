// Builds a binary IPMI FRU information image (common header, chassis, board
// and product areas) from field values set one by one.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum FruField {
    FRU_CHASSIS_TYPE = 1,
    FRU_CHASSIS_PART_NUMBER = 2,
    FRU_CHASSIS_SERIAL_NUMBER = 3,
    FRU_BOARD_LANGUAGE = 4,
    FRU_BOARD_MFG_DATE_TIME = 5,
    FRU_BOARD_MANUFACTURER = 6,
    FRU_BOARD_PRODUCT_NAME = 7,
    FRU_BOARD_SERIAL_NUMBER = 8,
    FRU_BOARD_PART_NUMBER = 9,
    FRU_BOARD_FILE_ID = 10,
    FRU_PRODUCT_LANGUAGE = 11,
    FRU_PRODUCT_MANUFACTURER = 12,
    FRU_PRODUCT_NAME = 13,
    FRU_PRODUCT_PART_NUMBER = 14,
    FRU_PRODUCT_SERIAL_NUMBER = 15,
    FRU_PRODUCT_VERSION = 16,
    FRU_PRODUCT_ASSET_TAG = 17,
    FRU_PRODUCT_FILE_ID = 18,
};

// The builder's own results; a caller turns a failure into the run's status.
enum FruBuildStatus { FRU_BUILD_OK = 0, FRU_BUILD_FAILED = -1 };

// Longest text a FRU type/length byte can describe.
#define FRU_MAX_TEXT 63

struct FruBuilder;

// A builder whose image buffer holds `capacity` bytes; null when out of memory.
FruBuilder* fruBuilderCreate(size_t capacity);
// FRU_BUILD_FAILED for an identifier that names no field or when out of
// memory. An absent value changes nothing.
int fruBuilderSet(FruBuilder* builder, int id, const void* value, size_t length);
// Lays the image out in the builder's buffer; valid until the next build or
// free. FRU_BUILD_FAILED, with *size 0, when the image does not fit.
int fruBuilderBuild(FruBuilder* builder, const uint8_t** image, uint64_t* size);
void fruBuilderFree(FruBuilder* builder);
