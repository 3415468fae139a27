// UTF-16 (the firmware's text) to and from UTF-8 (the program's narrow text).
// Malformed input becomes U+FFFD rather than disappearing.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace uefilibc {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Writes the UTF-8 form of the NUL-terminated `text` and a terminator into
// `out` when it fits in `capacity` bytes; returns the length without the
// terminator either way.
size_t utf16ToUtf8(const uint16_t* text, char* out, size_t capacity);

// Decodes the code point at the start of `text` (`length` bytes available);
// returns the bytes it took, at least 1 when length > 0.
size_t decodeUtf8(const char* text, size_t length, uint32_t* codePoint);

// Writes the UTF-16 form of the NUL-terminated `text` and a terminator into
// `out` when it fits in `capacity` units; returns the units without the
// terminator either way.
size_t utf8ToUtf16(const char* text, uint16_t* out, size_t capacity);

}  // namespace uefilibc
