// Reading FRU device 0 back from the BMC over KCS: waiting for the BMC after
// its reset, then Get FRU Inventory Area Info and Read FRU Data in chunks.
#pragma once

#include <stdint.h>

// Where a read-back stopped, for the operator's one error line.
struct FruReadbackFault {
    const char* step;  // "Get FRU Inventory Area Info" or "Read FRU Data"
    bool atOffset;     // Read FRU Data: the byte offset asked for
    uint32_t offset;
    bool answered;           // false: the KCS exchange itself failed
    uint8_t completionCode;  // when answered
};

struct FruReadback {
    uint32_t areaSize;  // bytes, as the BMC states them
    bool wordAccess;
    uint32_t size;      // bytes read into the caller's buffer
    uint32_t requests;  // KCS requests made, retries included
    FruReadbackFault fault;
};

// Sends Get Device ID once a second until the BMC answers with completion
// code 0, at most `maxSeconds` times, showing the seconds waited in place.
// True when it answered.
bool waitForBmcAnswer(uint32_t maxSeconds);

// Get FRU Inventory Area Info for device 0.
bool readFruAreaInfo(FruReadback* readback);

// Reads the first min(areaSize, capacity) bytes of FRU device 0 into
// `buffer` after readFruAreaInfo succeeded. False, with readback->fault
// filled in, when the BMC did not hand all of them over.
bool readFruData(uint8_t* buffer, uint32_t capacity, FruReadback* readback);
