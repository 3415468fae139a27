// The builder's own record, shared by its lifecycle and its layout code.
// Users of the builder see only the opaque declaration in fru_builder.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define FRU_DATE_TIME_BYTES 3

struct FruBuilder {
    uint8_t* imageStart;
    uint8_t chassisType;
    char* chassisPartNumber;
    char* chassisSerialNumber;
    uint8_t boardLanguage;
    uint8_t boardMfgDateTime[FRU_DATE_TIME_BYTES];
    char* boardManufacturer;
    char* boardProductName;
    char* boardSerialNumber;
    char* boardPartNumber;
    char* boardFileId;
    uint8_t productLanguage;
    char* productManufacturer;
    char* productName;
    char* productPartNumber;
    char* productSerialNumber;
    char* productVersion;
    char* productAssetTag;
    char* productFileId;
    uint8_t* bufferStart;
    size_t capacity;
};
