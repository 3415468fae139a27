// printf-style formatting into a sink, shared by the console, the file
// streams and snprintf. Free of firmware calls, so the host tests can hold it
// against the host's C library.
#pragma once

#include <stdarg.h>
#include <stddef.h>

namespace uefilibc {

struct FormatSink {
    // Receives each produced character in order.
    void (*put)(FormatSink* sink, char character);
    size_t produced;
};

// Formats like vprintf; returns the number of characters produced.
int formatText(FormatSink* sink, const char* format, va_list args);

// vsnprintf: at most size-1 characters and a terminator; returns the length
// the whole text would have had.
int formatToBuffer(char* buffer, size_t size, const char* format, va_list args);

}  // namespace uefilibc
