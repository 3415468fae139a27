// Layout of a SKU.BIN image: a 256-byte header with a directory of three
// named entries, then each entry's data on a 64-byte boundary. All numbers are
// little-endian; the 3-byte fields hold the low 24 bits.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "pelgrin/run/run_constants.h"

#define SKU_MAKER "KORVALEN"
#define SKU_MAKER_LENGTH 8
#define SKU_ENTRY_COUNT 3
#define SKU_BLOCK_SIZE 64
#define SKU_HEADER_SIZE 256

// Header fields.
#define SKU_COUNT_OFFSET 0x008
#define SKU_SIZE_OFFSET 0x009
#define SKU_CHECKSUM_OFFSET 0x00E
#define SKU_CHECKSUMMED_BYTES 16
#define SKU_DIRECTORY_OFFSET 0x0A0

// Directory entry fields, counted from the entry's start.
#define SKU_ENTRY_SIZE 32
#define SKU_ENTRY_NAME_SIZE 24
#define SKU_ENTRY_DATA_OFFSET 24
#define SKU_ENTRY_DATA_SIZE 27
#define SKU_ENTRY_CHECKSUM 30

#define SKU_MAC_ENTRY_NAME "NVRAM_MAC00.dat"
#define SKU_FRU_ENTRY_NAME "NVRAM_FRU00.dat"
#define SKU_DESCRIPTION_ENTRY_NAME "sku.xml.gz"

inline uint64_t skuRoundToBlock(uint64_t value) {
    return (value + SKU_BLOCK_SIZE - 1) & ~static_cast<uint64_t>(SKU_BLOCK_SIZE - 1);
}

inline void skuPut16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void skuPut24(uint8_t* at, uint64_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
}

inline uint16_t skuGet16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t skuGet24(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16);
}
