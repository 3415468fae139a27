#include "platform/uefi/libc/utf.h"

namespace uefilibc {
namespace {

bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Code point at text[*index], advancing past it.
uint32_t nextUtf16(const uint16_t* text, size_t* index) {
    uint32_t unit = text[(*index)++];
    if (isHighSurrogate(unit) && isLowSurrogate(text[*index])) {
        uint32_t low = text[(*index)++];
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    return isHighSurrogate(unit) || isLowSurrogate(unit) ? kReplacementCharacter : unit;
}

size_t encodeUtf8(uint32_t codePoint, char* bytes) {
    if (codePoint < 0x80) {
        bytes[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        bytes[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        bytes[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    bytes[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

size_t sequenceLength(uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

uint32_t smallestFor(size_t length) {
    return length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
}

}  // namespace

size_t utf16ToUtf8(const uint16_t* text, char* out, size_t capacity) {
    size_t length = 0;
    size_t index = 0;
    while (text[index] != 0) {
        char bytes[4];
        size_t count = encodeUtf8(nextUtf16(text, &index), bytes);
        for (size_t i = 0; i < count; ++i, ++length) {
            if (length + 1 < capacity)
                out[length] = bytes[i];
        }
    }
    if (capacity > 0)
        out[length < capacity ? length : capacity - 1] = '\0';
    return length;
}

size_t decodeUtf8(const char* text, size_t length, uint32_t* codePoint) {
    uint8_t lead = static_cast<uint8_t>(text[0]);
    *codePoint = kReplacementCharacter;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    size_t needed = sequenceLength(lead);
    if (needed == 0 || needed > length)
        return 1;
    uint32_t value = lead & (0x7F >> needed);
    for (size_t i = 1; i < needed; ++i) {
        uint8_t next = static_cast<uint8_t>(text[i]);
        if ((next & 0xC0) != 0x80)
            return i;
        value = (value << 6) | (next & 0x3F);
    }
    bool valid =
        value >= smallestFor(needed) && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    if (valid)
        *codePoint = value;
    return needed;
}

size_t utf8ToUtf16(const char* text, uint16_t* out, size_t capacity) {
    size_t textLength = 0;
    while (text[textLength] != '\0')
        ++textLength;
    size_t units = 0;
    auto put = [&](uint32_t unit) {
        if (units + 1 < capacity)
            out[units] = static_cast<uint16_t>(unit);
        ++units;
    };
    for (size_t offset = 0; offset < textLength;) {
        uint32_t codePoint;
        offset += decodeUtf8(text + offset, textLength - offset, &codePoint);
        if (codePoint >= 0x10000) {
            put(0xD800 + ((codePoint - 0x10000) >> 10));
            put(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            put(codePoint);
        }
    }
    if (capacity > 0)
        out[units < capacity ? units : capacity - 1] = 0;
    return units;
}

}  // namespace uefilibc
