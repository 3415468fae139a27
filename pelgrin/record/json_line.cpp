#include "pelgrin/record/json_line.h"

#include <stdio.h>
#include <string.h>

namespace {

void put(JsonLine* line, const char* bytes, size_t size) {
    if (line->text != nullptr)
        memcpy(line->text + line->length, bytes, size);
    line->length += size;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at `text` (no overlong forms,
// surrogates or code points past U+10FFFF), 0 when there is none.
size_t utf8SequenceLength(const unsigned char* text) {
    unsigned char lead = text[0];
    if (lead < 0x80)
        return 1;
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || lead == 0xC0 || lead == 0xC1)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(text[i]))
            return 0;
    }
    unsigned char second = text[1];
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

void putEscapedByte(JsonLine* line, unsigned char byte) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\u%04X", byte);
    put(line, escape, 6);
}

void putAscii(JsonLine* line, unsigned char byte) {
    if (byte == '"' || byte == '\\') {
        char escape[2] = {'\\', static_cast<char>(byte)};
        put(line, escape, 2);
    } else if (byte < 0x20 || byte == 0x7F) {
        putEscapedByte(line, byte);
    } else {
        char plain = static_cast<char>(byte);
        put(line, &plain, 1);
    }
}

}  // namespace

void jsonRaw(JsonLine* line, const char* text) {
    put(line, text, strlen(text));
}

void jsonString(JsonLine* line, const char* value) {
    const unsigned char* text = reinterpret_cast<const unsigned char*>(value);
    put(line, "\"", 1);
    while (*text != '\0') {
        size_t length = utf8SequenceLength(text);
        if (length == 1)
            putAscii(line, *text);
        else if (length == 0)
            putEscapedByte(line, *text);
        else
            put(line, reinterpret_cast<const char*>(text), length);
        text += length == 0 ? 1 : length;
    }
    put(line, "\"", 1);
}

void jsonBeginObject(JsonLine* line) {
    put(line, "{", 1);
    line->memberWritten = false;
}

void jsonEndObject(JsonLine* line) {
    put(line, "}", 1);
    line->memberWritten = true;
}

void jsonKey(JsonLine* line, const char* key) {
    if (line->memberWritten)
        put(line, ",", 1);
    line->memberWritten = true;
    jsonString(line, key);
    put(line, ":", 1);
}

void jsonInteger(JsonLine* line, int64_t value) {
    char digits[24];
    int length = snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    put(line, digits, static_cast<size_t>(length));
}
