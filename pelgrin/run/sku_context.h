// The production run's value record. Command-line values point into the
// argument words (null when not given, "" when given empty); nothing is copied.
#pragma once

#include <stdint.h>

struct SkuContext {
    char randCode[16];
    char boardId[16];
    const char* writeSelection;
    const char* mainMac;
    const char* shareMac;
    const char* chassisSerialNumber;
    const char* chassisPartNumber;
    const char* boardSerialNumber;
    const char* boardPartNumber;
    const char* productSerialNumber;
    const char* productPartNumber;
    const char* productName;
    const char* assetTag;
    const char* rmcUnit;
    const char* nodeUnit;
    const char* powerBank;
    const char* productVersion;
    const uint8_t* fruImage;  // lent by the FRU builder until SKU.BIN is built
    uint64_t fruImageSize;
    uint8_t* skuGz;  // mysku.xml.gz read back; released by main
    uint64_t skuGzSize;
    // SKU.xml as the station read and digested it, parsed from these bytes
    // rather than read again; null: parsed from the file.
    const char* skuXml;
    uint64_t skuXmlSize;
};
