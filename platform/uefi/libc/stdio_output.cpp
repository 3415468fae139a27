// Formatted and character output on streams.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "platform/uefi/libc/format.h"
#include "platform/uefi/libc/stream.h"

namespace {

constexpr size_t kStagingBytes = 256;

// Gathers formatted bytes so that the console or file sees whole runs of
// text rather than single characters.
struct StreamSink {
    uefilibc::FormatSink base;
    FILE* stream;
    char staged[kStagingBytes];
    size_t count;
};

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Writes out the staged bytes, keeping back an unfinished UTF-8 sequence at
// the end unless `everything` is asked for.
void drain(StreamSink* sink, bool everything) {
    size_t cut = sink->count;
    if (!everything) {
        while (cut > 0 && isContinuationByte(sink->staged[cut - 1]))
            --cut;
        if (cut > 0 && static_cast<unsigned char>(sink->staged[cut - 1]) >= 0xC0)
            --cut;
        if (cut == 0)
            cut = sink->count;
    }
    uefilibc::streamWrite(sink->stream, sink->staged, cut);
    memmove(sink->staged, sink->staged + cut, sink->count - cut);
    sink->count -= cut;
}

void putIntoStream(uefilibc::FormatSink* base, char character) {
    StreamSink* sink = reinterpret_cast<StreamSink*>(base);
    if (sink->count == kStagingBytes)
        drain(sink, false);
    sink->staged[sink->count++] = character;
}

}  // namespace

extern "C" {

int vfprintf(FILE* stream, const char* format, va_list args) {
    StreamSink sink;
    sink.base = {putIntoStream, 0};
    sink.stream = stream;
    sink.count = 0;
    int length = uefilibc::formatText(&sink.base, format, args);
    drain(&sink, true);
    return stream->error ? -1 : length;
}

int vprintf(const char* format, va_list args) {
    return vfprintf(stdout, format, args);
}

int printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = vfprintf(stdout, format, args);
    va_end(args);
    return length;
}

int fprintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = vfprintf(stream, format, args);
    va_end(args);
    return length;
}

int vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
    return uefilibc::formatToBuffer(buffer, size, format, args);
}

int snprintf(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = uefilibc::formatToBuffer(buffer, size, format, args);
    va_end(args);
    return length;
}

int sprintf(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = uefilibc::formatToBuffer(buffer, static_cast<size_t>(-1) >> 1, format, args);
    va_end(args);
    return length;
}

int fputs(const char* text, FILE* stream) {
    size_t length = strlen(text);
    return uefilibc::streamWrite(stream, text, length) == length ? 0 : EOF;
}

int puts(const char* text) {
    return fputs(text, stdout) == 0 && fputc('\n', stdout) != EOF ? 0 : EOF;
}

int fputc(int character, FILE* stream) {
    char byte = static_cast<char>(character);
    return uefilibc::streamWrite(stream, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : EOF;
}

int putc(int character, FILE* stream) {
    return fputc(character, stream);
}

int putchar(int character) {
    return fputc(character, stdout);
}

// Nothing is held back here: console and file writes go out as they are
// made. A file's data may still sit in the file system's cache, which is
// asked to write it, and its refusal is reported.
int fflush(FILE* stream) {
    if (stream == nullptr || stream->console)
        return 0;
    int error = uefilibc::shellFlush(stream->file);
    if (error == 0)
        return 0;
    errno = error;
    stream->error = true;
    return EOF;
}

// Every stream is unbuffered already; a caller asking for a buffer gets none.
int setvbuf(FILE*, char*, int, size_t) {
    return 0;
}

}  // extern "C"
