// Standard output and error go to the firmware console, unbuffered: each
// call appears at once, so progress counters need no flush to be seen.
#include <stdint.h>

#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/stream.h"
#include "platform/uefi/libc/utf.h"

namespace {

UefiStream consoleInput = {true, true, false, false, false, false, nullptr};
UefiStream consoleOutput = {true, false, true, false, false, false, nullptr};
UefiStream consoleError = {true, false, true, false, false, false, nullptr};

constexpr size_t kChunkUnits = 128;

struct ConsoleChunk {
    CHAR16 units[kChunkUnits + 1];
    size_t count;
};

void flushChunk(ConsoleChunk* chunk) {
    if (chunk->count == 0)
        return;
    chunk->units[chunk->count] = 0;
    if (firmware.system != nullptr && firmware.system->ConOut != nullptr)
        firmware.system->ConOut->OutputString(firmware.system->ConOut, chunk->units);
    chunk->count = 0;
}

void appendUnit(ConsoleChunk* chunk, uint32_t unit) {
    if (chunk->count == kChunkUnits)
        flushChunk(chunk);
    chunk->units[chunk->count++] = static_cast<CHAR16>(unit);
}

void appendCodePoint(ConsoleChunk* chunk, uint32_t codePoint) {
    if (codePoint == '\n')
        appendUnit(chunk, '\r');
    if (codePoint >= 0x10000) {
        appendUnit(chunk, 0xD800 + ((codePoint - 0x10000) >> 10));
        appendUnit(chunk, 0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        return;
    }
    appendUnit(chunk, codePoint);
}

}  // namespace

extern "C" {
FILE* const stdin = &consoleInput;
FILE* const stdout = &consoleOutput;
FILE* const stderr = &consoleError;
}

namespace uefilibc {

void (*standardOutputTap)(const char* text, size_t size);

void consoleWrite(const char* text, size_t size) {
    ConsoleChunk chunk;
    chunk.count = 0;
    for (size_t offset = 0; offset < size;) {
        uint32_t codePoint;
        offset += decodeUtf8(text + offset, size - offset, &codePoint);
        appendCodePoint(&chunk, codePoint);
    }
    flushChunk(&chunk);
}

}  // namespace uefilibc
