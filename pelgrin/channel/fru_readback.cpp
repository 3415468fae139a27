#include "pelgrin/channel/fru_readback.h"

#include <stdio.h>
#include <string.h>

#include "kcs/kcs.h"
#include "pelgrin/channel/ipmi_exchange.h"
#include "pelgrin/channel/oem_requests.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t NETFN_STORAGE_LUN0 = 0x0A << 2;
constexpr uint8_t CMD_FRU_AREA_INFO = 0x10;
constexpr uint8_t CMD_READ_FRU_DATA = 0x11;
constexpr uint8_t FRU_DEVICE_0 = 0;
constexpr uint8_t RESPONSE_DATA = 3;
constexpr uint64_t ONE_SECOND_US = 1000000;
constexpr uint64_t BUSY_PAUSE_US = 100000;
constexpr uint32_t BUSY_RETRIES = 10;
constexpr uint8_t ACCESS_BY_WORDS = 0x01;

// Get Device ID: firmware revision 1 is the third data byte; its bit 7 set
// means a firmware or SDR update or self-initialisation is in progress.
constexpr uint64_t FIRMWARE_REVISION_1 = RESPONSE_DATA + 2;
constexpr uint8_t DEVICE_BUSY = 0x80;

// Read FRU Data answers NetFn, command, completion code and count before the
// data: the largest count whose answer still fits one KCS response.
constexpr uint32_t LARGEST_COUNT = KCS_MAX_RESPONSE - 4;
constexpr uint32_t SMALLEST_COUNT = 8;

const char AREA_INFO_STEP[] = "Get FRU Inventory Area Info";
const char READ_DATA_STEP[] = "Read FRU Data";

void noteStop(FruReadback* readback, const char* step, uint32_t offset, FruReadbackStop stop) {
    readback->fault.step = step;
    readback->fault.atOffset = step == READ_DATA_STEP;
    readback->fault.offset = offset;
    readback->fault.stop = stop;
}

void noteReply(FruReadback* readback, const char* step, uint32_t offset, const IpmiReply& reply) {
    FruReadbackStop stop = reply.outcome != EXCHANGE_ANSWERED ? READBACK_EXCHANGE_FAILED
                           : reply.completionCode() != 0      ? READBACK_COMPLETION_CODE
                                                              : READBACK_NO_DATA;
    noteStop(readback, step, offset, stop);
    readback->fault.outcome = reply.outcome;
    readback->fault.completionCode = reply.completionCode();
}

// A request may go out only with time and, for reads, requests left.
bool mayAsk(FruReadback* readback, const char* step, uint32_t offset, const ReadbackClock& clock) {
    if (!readbackTimeLeft(clock)) {
        noteStop(readback, step, offset, READBACK_OUT_OF_TIME);
        return false;
    }
    if (step == READ_DATA_STEP && readback->requests >= FRU_READ_MAX_REQUESTS) {
        noteStop(readback, step, offset, READBACK_OUT_OF_REQUESTS);
        return false;
    }
    return true;
}

// A busy FRU or a BMC-side time-out passes: the same request is sent again a
// bounded number of times, with a pause. False when no request could go out.
bool exchangeRetrying(const uint8_t* request, uint64_t count, IpmiReply* reply,
                      FruReadback* readback, const char* step, uint32_t offset,
                      ReadbackClock* clock) {
    for (uint32_t attempt = 0;; ++attempt) {
        if (!mayAsk(readback, step, offset, *clock))
            return false;
        if (step == READ_DATA_STEP)
            readback->requests++;
        ipmiExchange(request, count, reply);
        if (!fruAnswerRetriable(*reply) || attempt == BUSY_RETRIES)
            return true;
        readbackPause(clock, BUSY_PAUSE_US);
    }
}

// One Read FRU Data request for `count` bytes at byte `offset`.
void requestChunk(const FruReadback* readback, uint32_t offset, uint32_t count, uint8_t* request) {
    fruDataHeader(CMD_READ_FRU_DATA, readback->wordAccess, offset, request);
    request[FRU_DATA_HEADER] = static_cast<uint8_t>(readback->wordAccess ? count / 2 : count);
}

// The data bytes an answer carries, or 0 when its count byte and its length
// disagree or it carries nothing.
uint32_t chunkBytes(const FruReadback* readback, const IpmiReply& reply, uint32_t asked) {
    if (!fruAnsweredWith(reply, 0) || reply.length <= RESPONSE_DATA)
        return 0;
    uint32_t count = reply.bytes[RESPONSE_DATA];
    uint32_t bytes = readback->wordAccess ? count * 2 : count;
    if (bytes > asked || bytes > reply.length - RESPONSE_DATA - 1)
        return 0;
    return bytes;
}

uint32_t chunkCount(const FruReadback* readback, uint32_t left, uint32_t largest) {
    uint32_t count = left < largest ? left : largest;
    if (readback->wordAccess)
        count = count < 2 ? 2 : count & ~1u;
    return count;
}

bool deviceAvailable(const IpmiReply& reply) {
    return fruAnsweredWith(reply, 0) && reply.length > FIRMWARE_REVISION_1 &&
           (reply.bytes[FIRMWARE_REVISION_1] & DEVICE_BUSY) == 0;
}

}  // namespace

void fruDataHeader(uint8_t command, bool wordAccess, uint32_t byteOffset, uint8_t* request) {
    uint32_t unitOffset = wordAccess ? byteOffset / 2 : byteOffset;
    request[0] = NETFN_STORAGE_LUN0;
    request[1] = command;
    request[2] = FRU_DEVICE_0;
    request[3] = static_cast<uint8_t>(unitOffset);
    request[4] = static_cast<uint8_t>(unitOffset >> 8);
}

bool fruAnsweredWith(const IpmiReply& reply, uint8_t completionCode) {
    return reply.outcome == EXCHANGE_ANSWERED && reply.completionCode() == completionCode;
}

bool fruAnswerRetriable(const IpmiReply& reply) {
    return fruAnsweredWith(reply, CC_FRU_BUSY) || fruAnsweredWith(reply, CC_TIMEOUT);
}

bool fruCountRefused(const IpmiReply& reply) {
    return fruAnsweredWith(reply, CC_LENGTH_INVALID) ||
           fruAnsweredWith(reply, CC_LENGTH_EXCEEDED) || fruAnsweredWith(reply, CC_CANNOT_RETURN);
}

void readbackClockStart(ReadbackClock* clock, uint32_t limitSeconds) {
    clock->startSeconds = platformTime();
    clock->pausedMicros = 0;
    clock->limitSeconds = limitSeconds;
}

namespace {

uint64_t elapsedMicros(const ReadbackClock& clock) {
    int64_t now = platformTime();
    if (clock.startSeconds < 0 || now < clock.startSeconds)
        return clock.pausedMicros;
    uint64_t wall = static_cast<uint64_t>(now - clock.startSeconds) * ONE_SECOND_US;
    return wall > clock.pausedMicros ? wall : clock.pausedMicros;
}

}  // namespace

uint32_t readbackSeconds(const ReadbackClock& clock) {
    return static_cast<uint32_t>(elapsedMicros(clock) / ONE_SECOND_US);
}

bool readbackTimeLeft(const ReadbackClock& clock) {
    return elapsedMicros(clock) < clock.limitSeconds * ONE_SECOND_US;
}

void readbackPause(ReadbackClock* clock, uint64_t microseconds) {
    platformStall(microseconds);
    clock->pausedMicros += microseconds;
}

BmcWait waitForBmc(ReadbackClock* clock) {
    const uint8_t request[2] = {NETFN_APP_LUN0, CMD_GET_DEVICE_ID};
    IpmiReply reply;
    bool shown = false;
    for (;;) {
        ipmiExchange(request, sizeof request, &reply);
        if (deviceAvailable(reply)) {
            if (shown)
                putchar('\n');
            return BMC_BACK;
        }
        if (!readbackTimeLeft(*clock))
            break;
        readbackPause(clock, ONE_SECOND_US);
        printf("\rWaiting for the BMC ... %u s", static_cast<unsigned>(readbackSeconds(*clock)));
        fflush(stdout);
        shown = true;
        if (!readbackTimeLeft(*clock))
            break;
    }
    putchar('\n');
    return fruAnsweredWith(reply, 0) ? BMC_STILL_BUSY : BMC_SILENT;
}

bool readFruAreaInfo(FruReadback* readback, ReadbackClock* clock) {
    const uint8_t request[3] = {NETFN_STORAGE_LUN0, CMD_FRU_AREA_INFO, FRU_DEVICE_0};
    IpmiReply reply;
    if (!exchangeRetrying(request, sizeof request, &reply, readback, AREA_INFO_STEP, 0, clock))
        return false;
    if (!fruAnsweredWith(reply, 0) || reply.length < RESPONSE_DATA + 3) {
        noteReply(readback, AREA_INFO_STEP, 0, reply);
        return false;
    }
    const uint8_t* data = reply.bytes + RESPONSE_DATA;
    readback->areaSize = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8;
    readback->wordAccess = (data[2] & ACCESS_BY_WORDS) != 0;
    return true;
}

// Halves the count actually refused while the BMC says it is too large (so a
// refused request is never sent again), and goes on from wherever a short
// answer stopped.
bool readFruData(uint8_t* buffer, uint32_t capacity, FruReadback* readback, ReadbackClock* clock) {
    uint32_t wanted = readback->areaSize < capacity ? readback->areaSize : capacity;
    uint32_t largest = LARGEST_COUNT;
    while (readback->size < wanted) {
        uint32_t count = chunkCount(readback, wanted - readback->size, largest);
        uint8_t request[FRU_DATA_HEADER + 1];
        requestChunk(readback, readback->size, count, request);
        IpmiReply reply;
        if (!exchangeRetrying(request, sizeof request, &reply, readback, READ_DATA_STEP,
                              readback->size, clock))
            return false;
        if (fruCountRefused(reply) && count > SMALLEST_COUNT) {
            largest = count / 2 < SMALLEST_COUNT ? SMALLEST_COUNT : count / 2;
            continue;
        }
        uint32_t bytes = chunkBytes(readback, reply, count);
        if (bytes == 0) {
            noteReply(readback, READ_DATA_STEP, readback->size, reply);
            return false;
        }
        if (bytes > wanted - readback->size)
            bytes = wanted - readback->size;
        memcpy(buffer + readback->size, reply.bytes + RESPONSE_DATA + 1, bytes);
        readback->size += bytes;
    }
    return true;
}
