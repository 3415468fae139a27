// Programming FRU device 0 with the standard IPMI Storage requests over KCS,
// for BMCs that take their FRU that way rather than through a memory window:
// Get FRU Inventory Area Info, Read FRU Data for what the area holds now, and
// Write FRU Data for the chunks that differ from the image.
#pragma once

#include <stdint.h>

#include "pelgrin/channel/fru_readback.h"
#include "pelgrin/channel/ipmi_exchange.h"

enum FruWriteOutcome {
    FRU_WRITE_DONE,
    FRU_WRITE_NO_BMC,          // Get Device ID was not answered with 0
    FRU_WRITE_AREA_UNKNOWN,    // Get FRU Inventory Area Info failed
    FRU_WRITE_AREA_TOO_SMALL,  // refused before anything was written
    FRU_WRITE_READ_FAILED,     // the area's present bytes could not be read
    FRU_WRITE_REFUSED,         // a Write FRU Data failed part-way
    FRU_WRITE_OUT_OF_MEMORY,
};

// Where the write stopped, for the operator's one error line.
struct FruWriteFault {
    const char* step;  // "Get Device ID", "Get FRU Inventory Area Info", ...
    bool atOffset;
    uint32_t offset;          // byte offset of the request that failed
    ExchangeOutcome outcome;  // EXCHANGE_ANSWERED: see completionCode
    uint8_t completionCode;   // 0 with an answer: the BMC wrote no byte
};

struct FruWriteReport {
    uint32_t areaSize;  // bytes, as the BMC states them
    uint32_t needed;    // bytes the image takes in the area (even with word access)
    uint32_t written;   // bytes the BMC said it wrote
    uint32_t requests;  // KCS requests, retries included
    FruWriteFault fault;
    FruReadbackFault readFault;  // FRU_WRITE_AREA_UNKNOWN, FRU_WRITE_READ_FAILED
};

// Writes `size` bytes of `image` to the start of FRU device 0. Bytes the area
// already holds are not written again, so an unchanged board costs no write.
FruWriteOutcome writeFruDevice0(const uint8_t* image, uint32_t size, FruWriteReport* report);
