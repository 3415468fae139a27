// Reading FRU device 0 back from the BMC over KCS: waiting for the BMC after
// its reset, then Get FRU Inventory Area Info and Read FRU Data in chunks.
// Every step runs against one shared time bound and every read against a
// request budget, so that no BMC, however it answers, holds a run for long.
#pragma once

#include <stdint.h>

#include "pelgrin/channel/ipmi_exchange.h"

// Read FRU Data requests (busy retries included) one read may send: a whole
// 64 KiB area takes 260 at the largest count.
constexpr uint32_t FRU_READ_MAX_REQUESTS = 300;

// Completion codes both FRU requests answer with: a busy device or a
// BMC-side time-out is tried again, a count the BMC cannot take is asked
// smaller.
constexpr uint8_t CC_FRU_BUSY = 0x81;
constexpr uint8_t CC_TIMEOUT = 0xC3;
constexpr uint8_t CC_LENGTH_INVALID = 0xC7;
constexpr uint8_t CC_LENGTH_EXCEEDED = 0xC8;
constexpr uint8_t CC_CANNOT_RETURN = 0xCA;

// Read and Write FRU Data start alike: NetFn/LUN, command, FRU device 0 and
// the offset (least significant byte first), in words where the area is
// addressed in words.
constexpr uint32_t FRU_DATA_HEADER = 5;
void fruDataHeader(uint8_t command, bool wordAccess, uint32_t byteOffset, uint8_t* request);

bool fruAnsweredWith(const IpmiReply& reply, uint8_t completionCode);
bool fruAnswerRetriable(const IpmiReply& reply);
bool fruCountRefused(const IpmiReply& reply);

// The bound of a whole read-back, the wait for the BMC included.
constexpr uint32_t READBACK_BOUND_SECONDS = 120;

// Seconds since the bound started, by the wall clock and by the pauses the
// steps counted themselves, whichever says more: the clock may be unreadable,
// and the pauses miss the time a hanging request takes.
struct ReadbackClock {
    int64_t startSeconds;  // platformTime() at the start; -1 when unreadable
    uint64_t pausedMicros;
    uint32_t limitSeconds;
};

void readbackClockStart(ReadbackClock* clock, uint32_t limitSeconds);
uint32_t readbackSeconds(const ReadbackClock& clock);
bool readbackTimeLeft(const ReadbackClock& clock);
// A pause that counts towards the bound.
void readbackPause(ReadbackClock* clock, uint64_t microseconds);

enum FruReadbackStop {
    READBACK_EXCHANGE_FAILED,  // no answer: `outcome` says how
    READBACK_COMPLETION_CODE,  // answered with a completion code not 0
    READBACK_NO_DATA,          // answered 0 with nothing usable
    READBACK_OUT_OF_TIME,      // the shared bound ran out
    READBACK_OUT_OF_REQUESTS,  // FRU_READ_MAX_REQUESTS sent
};

// Where a read-back stopped, for the operator's one error line.
struct FruReadbackFault {
    const char* step;  // "Get FRU Inventory Area Info" or "Read FRU Data"
    bool atOffset;     // Read FRU Data: the byte offset asked for
    uint32_t offset;
    FruReadbackStop stop;
    ExchangeOutcome outcome;
    uint8_t completionCode;
};

struct FruReadback {
    uint32_t areaSize;  // bytes, as the BMC states them
    bool wordAccess;
    uint32_t size;      // bytes read into the caller's buffer so far
    uint32_t requests;  // Read FRU Data requests of this read, retries included
    FruReadbackFault fault;
};

enum BmcWait {
    BMC_BACK,        // Get Device ID answered 0, the device available
    BMC_SILENT,      // no answer with completion code 0 within the bound
    BMC_STILL_BUSY,  // its last answer: update or initialisation in progress
};

// Sends Get Device ID once a second until the BMC answers with completion
// code 0 and "device available" clear (firmware revision 1, bit 7), or the
// clock's bound runs out, showing the seconds waited in place.
BmcWait waitForBmc(ReadbackClock* clock);

// Get FRU Inventory Area Info for device 0.
bool readFruAreaInfo(FruReadback* readback, ReadbackClock* clock);

// Reads on from readback->size up to min(areaSize, capacity) bytes of FRU
// device 0 into `buffer` (which has room for `capacity`), after
// readFruAreaInfo succeeded. False, with readback->fault filled in, when the
// BMC did not hand them all over within the bound and the request budget.
bool readFruData(uint8_t* buffer, uint32_t capacity, FruReadback* readback, ReadbackClock* clock);
