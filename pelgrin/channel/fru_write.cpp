#include "pelgrin/channel/fru_write.h"

#include <stdlib.h>
#include <string.h>

#include "pelgrin/channel/fru_readback.h"
#include "pelgrin/channel/oem_requests.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t CMD_WRITE_FRU_DATA = 0x12;
constexpr uint8_t COUNT_WRITTEN = 3;  // response byte behind the completion code

// Many BMCs take no more than 32 data bytes per write; some take fewer and
// say so with a length code, halving finds their limit in a few requests.
constexpr uint32_t LARGEST_CHUNK = 32;
constexpr uint32_t SMALLEST_CHUNK = 8;
constexpr uint32_t BUSY_RETRIES = 10;
constexpr uint64_t BUSY_PAUSE_US = 100000;

const char DEVICE_ID_STEP[] = "Get Device ID";
const char WRITE_STEP[] = "Write FRU Data";

struct Writer {
    const uint8_t* target;
    uint32_t length;
    bool wordAccess;
    uint32_t chunk;
    FruWriteReport* report;
};

enum ChunkResult { CHUNK_WRITTEN, CHUNK_TOO_LARGE, CHUNK_FAILED };

void noteFault(FruWriteReport* report, const char* step, bool atOffset, uint32_t offset,
               const IpmiReply& reply) {
    report->fault.step = step;
    report->fault.atOffset = atOffset;
    report->fault.offset = offset;
    report->fault.outcome = reply.outcome;
    report->fault.completionCode = reply.outcome == EXCHANGE_ANSWERED ? reply.completionCode() : 0;
}

void noteReadFault(FruWriteReport* report, const FruReadbackFault& fault) {
    report->readFault = fault;
}

bool bmcAnswers(FruWriteReport* report) {
    const uint8_t request[2] = {NETFN_APP_LUN0, CMD_GET_DEVICE_ID};
    IpmiReply reply;
    report->requests++;
    if (ipmiExchange(request, sizeof request, &reply) == EXCHANGE_ANSWERED &&
        reply.completionCode() == 0)
        return true;
    noteFault(report, DEVICE_ID_STEP, false, 0, reply);
    return false;
}

// A busy FRU or a BMC-side time-out passes: the same request goes again a
// bounded number of times, with a pause.
void sendRetrying(const uint8_t* request, uint64_t count, IpmiReply* reply,
                  FruWriteReport* report) {
    for (uint32_t attempt = 0;; ++attempt) {
        report->requests++;
        ipmiExchange(request, count, reply);
        if (!fruAnswerRetriable(*reply) || attempt == BUSY_RETRIES)
            return;
        platformStall(BUSY_PAUSE_US);
    }
}

// The bytes an answer says were written; 0 when it says none, or more than
// were sent.
uint32_t bytesWritten(const IpmiReply& reply, bool wordAccess, uint32_t sent) {
    if (reply.length <= COUNT_WRITTEN)
        return 0;
    uint32_t count = reply.bytes[COUNT_WRITTEN];
    uint32_t bytes = wordAccess ? count * 2 : count;
    return bytes <= sent ? bytes : 0;
}

ChunkResult writeChunk(Writer* writer, uint32_t offset, uint32_t span, uint32_t* done) {
    uint8_t request[FRU_DATA_HEADER + LARGEST_CHUNK];
    fruDataHeader(CMD_WRITE_FRU_DATA, writer->wordAccess, offset, request);
    memcpy(request + FRU_DATA_HEADER, writer->target + offset, span);
    IpmiReply reply;
    sendRetrying(request, FRU_DATA_HEADER + span, &reply, writer->report);
    if (fruCountRefused(reply) && writer->chunk > SMALLEST_CHUNK) {
        writer->chunk /= 2;
        return CHUNK_TOO_LARGE;
    }
    *done = fruAnsweredWith(reply, 0) ? bytesWritten(reply, writer->wordAccess, span) : 0;
    if (*done == 0) {
        noteFault(writer->report, WRITE_STEP, true, offset, reply);
        return CHUNK_FAILED;
    }
    writer->report->written += *done;
    return CHUNK_WRITTEN;
}

// Chunk by chunk, skipping those the area already holds; a short write goes
// on from where the BMC stopped.
bool writeDifferences(Writer* writer, const uint8_t* held) {
    uint32_t offset = 0;
    while (offset < writer->length) {
        uint32_t left = writer->length - offset;
        uint32_t span = left < writer->chunk ? left : writer->chunk;
        if (memcmp(held + offset, writer->target + offset, span) == 0) {
            offset += span;
            continue;
        }
        uint32_t done = 0;
        if (writeChunk(writer, offset, span, &done) == CHUNK_FAILED)
            return false;
        offset += done;
    }
    return true;
}

// Word access writes whole words: an odd image takes the byte behind it too,
// written back as the area holds it.
uint32_t neededBytes(uint32_t size, bool wordAccess) {
    return wordAccess ? (size + 1) & ~1u : size;
}

FruWriteOutcome writeOverHeld(const uint8_t* image, uint32_t size, FruReadback* readback,
                              ReadbackClock* clock, FruWriteReport* report) {
    const uint32_t length = report->needed;
    uint8_t* held = static_cast<uint8_t*>(malloc(length * 2));
    if (held == nullptr)
        return FRU_WRITE_OUT_OF_MEMORY;
    uint8_t* target = held + length;
    FruWriteOutcome outcome = FRU_WRITE_READ_FAILED;
    // The area holds at least `length` bytes: a read that succeeds read them all.
    if (readFruData(held, length, readback, clock)) {
        memcpy(target, held, length);
        memcpy(target, image, size);
        Writer writer = {target, length, readback->wordAccess, LARGEST_CHUNK, report};
        outcome = writeDifferences(&writer, held) ? FRU_WRITE_DONE : FRU_WRITE_REFUSED;
    } else {
        noteReadFault(report, readback->fault);
    }
    free(held);
    return outcome;
}

}  // namespace

FruWriteOutcome writeFruDevice0(const uint8_t* image, uint32_t size, FruWriteReport* report) {
    memset(report, 0, sizeof *report);
    if (!bmcAnswers(report))
        return FRU_WRITE_NO_BMC;
    // The reads before the writes are held to the read-back's bound; each
    // write is bounded by its request deadline and its retry count.
    ReadbackClock clock;
    readbackClockStart(&clock, READBACK_BOUND_SECONDS);
    FruReadback readback = {};
    FruWriteOutcome outcome = FRU_WRITE_AREA_UNKNOWN;
    if (!readFruAreaInfo(&readback, &clock)) {
        noteReadFault(report, readback.fault);
    } else {
        report->areaSize = readback.areaSize;
        report->needed = neededBytes(size, readback.wordAccess);
        outcome = report->areaSize < report->needed
                      ? FRU_WRITE_AREA_TOO_SMALL
                      : writeOverHeld(image, size, &readback, &clock, report);
    }
    report->requests += readback.requests;
    return outcome;
}
