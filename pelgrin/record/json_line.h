// One JSON object on one line, built in two passes: the first (no buffer)
// only counts, so that the second fills a buffer of exactly the right size
// however long the operator's values were.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct JsonLine {
    char* text;  // null: count only
    size_t length;
    bool memberWritten;  // the open object has a member: the next needs a comma
};

void jsonRaw(JsonLine* line, const char* text);
void jsonBeginObject(JsonLine* line);
void jsonEndObject(JsonLine* line);
// A JSON string (RFC 8259): quotes, backslash and controls escaped; well-formed
// UTF-8 kept as it is; every other byte as \u00XX, so that the line stays
// valid UTF-8 whatever was typed.
void jsonString(JsonLine* line, const char* value);
// `,"key":` (no comma before the object's first member).
void jsonKey(JsonLine* line, const char* key);
void jsonInteger(JsonLine* line, int64_t value);
