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

// Read FRU Data answers NetFn, command, completion code and count before the
// data: the largest count whose answer still fits one KCS response.
constexpr uint32_t LARGEST_COUNT = KCS_MAX_RESPONSE - 4;
constexpr uint32_t SMALLEST_COUNT = 8;

constexpr uint8_t CC_FRU_BUSY = 0x81;
constexpr uint8_t CC_TIMEOUT = 0xC3;
constexpr uint8_t CC_LENGTH_INVALID = 0xC7;
constexpr uint8_t CC_LENGTH_EXCEEDED = 0xC8;
constexpr uint8_t CC_CANNOT_RETURN = 0xCA;

const char AREA_INFO_STEP[] = "Get FRU Inventory Area Info";
const char READ_DATA_STEP[] = "Read FRU Data";

struct Exchange {
    uint8_t response[KCS_MAX_RESPONSE];
    uint64_t length;
    bool answered;
};

void exchange(const uint8_t* request, uint64_t count, Exchange* result) {
    IpmiReply reply;
    result->answered = ipmiExchange(request, count, &reply) == EXCHANGE_ANSWERED;
    memcpy(result->response, reply.bytes, sizeof result->response);
    result->length = reply.length;
}

bool retriable(uint8_t completionCode) {
    return completionCode == CC_FRU_BUSY || completionCode == CC_TIMEOUT;
}

bool countTooLarge(uint8_t completionCode) {
    return completionCode == CC_LENGTH_INVALID || completionCode == CC_LENGTH_EXCEEDED ||
           completionCode == CC_CANNOT_RETURN;
}

// A busy FRU or a BMC-side time-out passes: the same request is sent again a
// bounded number of times, with a pause.
void exchangeRetrying(const uint8_t* request, uint64_t count, Exchange* result,
                      FruReadback* readback) {
    for (uint32_t attempt = 0;; ++attempt) {
        readback->requests++;
        exchange(request, count, result);
        if (!result->answered || !retriable(result->response[COMPLETION_CODE]) ||
            attempt == BUSY_RETRIES)
            return;
        platformStall(BUSY_PAUSE_US);
    }
}

void noteFault(FruReadback* readback, const char* step, uint32_t offset, const Exchange& result) {
    readback->fault.step = step;
    readback->fault.atOffset = step == READ_DATA_STEP;
    readback->fault.offset = offset;
    readback->fault.answered = result.answered;
    readback->fault.completionCode = result.response[COMPLETION_CODE];
}

// One Read FRU Data request for `count` units at byte `offset`.
void requestChunk(const FruReadback* readback, uint32_t offset, uint32_t count, uint8_t* request) {
    uint32_t unitOffset = readback->wordAccess ? offset / 2 : offset;
    request[0] = NETFN_STORAGE_LUN0;
    request[1] = CMD_READ_FRU_DATA;
    request[2] = FRU_DEVICE_0;
    request[3] = static_cast<uint8_t>(unitOffset);
    request[4] = static_cast<uint8_t>(unitOffset >> 8);
    request[5] = static_cast<uint8_t>(readback->wordAccess ? count / 2 : count);
}

// The data bytes an answer carries, or 0 when its count byte and its length
// disagree or it carries nothing.
uint32_t chunkBytes(const FruReadback* readback, const Exchange& result, uint32_t asked) {
    if (result.length <= RESPONSE_DATA)
        return 0;
    uint32_t count = result.response[RESPONSE_DATA];
    uint32_t bytes = readback->wordAccess ? count * 2 : count;
    if (bytes > asked || bytes > result.length - RESPONSE_DATA - 1)
        return 0;
    return bytes;
}

// A BMC whose interface hangs makes each request wait out the transport's own
// time-outs: the wall clock, where it can be read, bounds the whole wait.
uint32_t secondsWaited(int64_t start, uint32_t pauses) {
    int64_t now = platformTime();
    if (start < 0 || now < start)
        return pauses + 1;
    uint64_t elapsed = static_cast<uint64_t>(now - start);
    return elapsed > pauses + 1 ? static_cast<uint32_t>(elapsed) : pauses + 1;
}

}  // namespace

bool waitForBmcAnswer(uint32_t maxSeconds) {
    const uint8_t request[2] = {NETFN_APP_LUN0, CMD_GET_DEVICE_ID};
    const int64_t start = platformTime();
    Exchange result;
    uint32_t waited = 0;
    while (waited < maxSeconds) {
        exchange(request, sizeof request, &result);
        if (result.answered && result.response[COMPLETION_CODE] == 0) {
            if (waited > 0)
                putchar('\n');
            return true;
        }
        platformStall(ONE_SECOND_US);
        waited = secondsWaited(start, waited);
        printf("\rWaiting for the BMC ... %u s", static_cast<unsigned>(waited));
        fflush(stdout);
    }
    putchar('\n');
    return false;
}

bool readFruAreaInfo(FruReadback* readback) {
    const uint8_t request[3] = {NETFN_STORAGE_LUN0, CMD_FRU_AREA_INFO, FRU_DEVICE_0};
    Exchange result;
    exchangeRetrying(request, sizeof request, &result, readback);
    if (!result.answered || result.response[COMPLETION_CODE] != 0 ||
        result.length < RESPONSE_DATA + 3) {
        noteFault(readback, AREA_INFO_STEP, 0, result);
        return false;
    }
    const uint8_t* data = result.response + RESPONSE_DATA;
    readback->areaSize = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8;
    readback->wordAccess = (data[2] & ACCESS_BY_WORDS) != 0;
    return true;
}

// Steps the count down while the BMC says it is too large, and goes on from
// wherever a short answer stopped.
bool readFruData(uint8_t* buffer, uint32_t capacity, FruReadback* readback) {
    uint32_t wanted = readback->areaSize < capacity ? readback->areaSize : capacity;
    uint32_t largest = LARGEST_COUNT;
    readback->size = 0;
    while (readback->size < wanted) {
        uint32_t count = wanted - readback->size < largest ? wanted - readback->size : largest;
        if (readback->wordAccess)
            count = count < 2 ? 2 : count & ~1u;
        uint8_t request[6];
        requestChunk(readback, readback->size, count, request);
        Exchange result;
        exchangeRetrying(request, sizeof request, &result, readback);
        uint8_t code = result.response[COMPLETION_CODE];
        if (result.answered && countTooLarge(code) && largest > SMALLEST_COUNT) {
            largest = largest / 2 < SMALLEST_COUNT ? SMALLEST_COUNT : largest / 2;
            continue;
        }
        uint32_t bytes = result.answered && code == 0 ? chunkBytes(readback, result, count) : 0;
        if (bytes == 0) {
            noteFault(readback, READ_DATA_STEP, readback->size, result);
            return false;
        }
        if (bytes > wanted - readback->size)
            bytes = wanted - readback->size;
        memcpy(buffer + readback->size, result.response + RESPONSE_DATA + 1, bytes);
        readback->size += bytes;
    }
    return true;
}
