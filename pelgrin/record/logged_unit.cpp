#include "pelgrin/record/logged_unit.h"

#include <string.h>

const char* const IDENTITY_KEYWORDS[ID_KEYWORD_COUNT] = {"MainMAC", "ShareMAC", "BSN", "PSN",
                                                         "CSN"};

namespace {

// Deeper nesting than this is no record of ours.
constexpr int DEEPEST = 8;

struct Cursor {
    const char* at;
    const char* end;
};

void skipSpace(Cursor* cursor) {
    while (cursor->at < cursor->end &&
           (*cursor->at == ' ' || *cursor->at == '\t' || *cursor->at == '\r'))
        ++cursor->at;
}

bool take(Cursor* cursor, char expected) {
    skipSpace(cursor);
    if (cursor->at >= cursor->end || *cursor->at != expected)
        return false;
    ++cursor->at;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool readHex4(Cursor* cursor, uint32_t* value) {
    if (cursor->end - cursor->at < 4)
        return false;
    *value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = hexValue(*cursor->at++);
        if (digit < 0)
            return false;
        *value = *value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

// Our writer escapes single bytes as \u00XX; they come back as those bytes.
// Anything above U+00FF (another writer's) comes back as UTF-8.
void putCodePoint(LoggedText* out, size_t* length, uint32_t code) {
    char bytes[3];
    size_t count = 1;
    if (code < 0x100) {
        bytes[0] = static_cast<char>(code);
    } else if (code < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | code >> 6);
        bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
        count = 2;
    } else {
        bytes[0] = static_cast<char>(0xE0 | code >> 12);
        bytes[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
        count = 3;
    }
    for (size_t i = 0; i < count; ++i) {
        if (out != nullptr && *length < LOGGED_VALUE_MAX)
            out->text[*length] = bytes[i];
        ++*length;
    }
}

bool readEscape(Cursor* cursor, LoggedText* out, size_t* length) {
    if (cursor->at >= cursor->end)
        return false;
    char kind = *cursor->at++;
    static const char SIMPLE[] = "\"\"\\\\//b\bf\fn\nr\rt\t";
    for (size_t i = 0; SIMPLE[i] != '\0'; i += 2) {
        if (kind == SIMPLE[i]) {
            putCodePoint(out, length, static_cast<unsigned char>(SIMPLE[i + 1]));
            return true;
        }
    }
    uint32_t code;
    if (kind != 'u' || !readHex4(cursor, &code))
        return false;
    putCodePoint(out, length, code);
    return true;
}

// A string into `out` (null: skipped).
bool readString(Cursor* cursor, LoggedText* out) {
    if (!take(cursor, '"'))
        return false;
    size_t length = 0;
    while (cursor->at < cursor->end) {
        char c = *cursor->at++;
        if (c == '"') {
            if (out != nullptr) {
                out->given = true;
                out->tooLong = length > LOGGED_VALUE_MAX;
                out->text[length > LOGGED_VALUE_MAX ? LOGGED_VALUE_MAX : length] = '\0';
            }
            return true;
        }
        if (c == '\\') {
            if (!readEscape(cursor, out, &length))
                return false;
        } else {
            if (out != nullptr && length < LOGGED_VALUE_MAX)
                out->text[length] = c;
            ++length;
        }
    }
    return false;
}

bool readInteger(Cursor* cursor, int64_t* value) {
    skipSpace(cursor);
    bool negative = cursor->at < cursor->end && *cursor->at == '-';
    if (negative)
        ++cursor->at;
    const char* first = cursor->at;
    int64_t magnitude = 0;
    while (cursor->at < cursor->end && *cursor->at >= '0' && *cursor->at <= '9' &&
           magnitude < INT64_MAX / 10 - 9)
        magnitude = magnitude * 10 + (*cursor->at++ - '0');
    *value = negative ? -magnitude : magnitude;
    return cursor->at > first;
}

bool skipValue(Cursor* cursor, int depth);

// `{...}` or `[...]`, each member handed to `member` (objects) or skipped.
template <typename Member>
bool readMembers(Cursor* cursor, char close, Member member) {
    if (take(cursor, close))
        return true;
    do {
        if (!member(cursor))
            return false;
    } while (take(cursor, ','));
    return take(cursor, close);
}

bool skipObject(Cursor* cursor, int depth) {
    return readMembers(cursor, '}', [depth](Cursor* c) {
        return readString(c, nullptr) && take(c, ':') && skipValue(c, depth + 1);
    });
}

bool skipValue(Cursor* cursor, int depth) {
    skipSpace(cursor);
    if (cursor->at >= cursor->end || depth > DEEPEST)
        return false;
    char first = *cursor->at;
    if (first == '"')
        return readString(cursor, nullptr);
    if (first == '{' || first == '[') {
        ++cursor->at;
        if (first == '{')
            return skipObject(cursor, depth);
        return readMembers(cursor, ']', [depth](Cursor* c) { return skipValue(c, depth + 1); });
    }
    // A number or a literal: everything up to the next separator.
    const char* start = cursor->at;
    while (cursor->at < cursor->end && strchr(",}] \t", *cursor->at) == nullptr)
        ++cursor->at;
    return cursor->at > start;
}

bool isKey(const LoggedText& key, const char* name) {
    return !key.tooLong && strcmp(key.text, name) == 0;
}

bool readValues(Cursor* cursor, LoggedUnit* unit) {
    if (!take(cursor, '{'))
        return false;
    return readMembers(cursor, '}', [unit](Cursor* c) {
        LoggedText key;
        if (!readString(c, &key) || !take(c, ':'))
            return false;
        for (int i = 0; i < ID_KEYWORD_COUNT; ++i) {
            if (isKey(key, IDENTITY_KEYWORDS[i]))
                return readString(c, &unit->values[i]);
        }
        return skipValue(c, 1);
    });
}

bool readTopMember(Cursor* cursor, LoggedUnit* unit) {
    LoggedText key;
    if (!readString(cursor, &key) || !take(cursor, ':'))
        return false;
    if (isKey(key, "status")) {
        unit->hasStatus = readInteger(cursor, &unit->status);
        return unit->hasStatus;
    }
    if (isKey(key, "values"))
        return readValues(cursor, unit);
    if (isKey(key, "time")) {
        skipSpace(cursor);
        if (cursor->at < cursor->end && *cursor->at == '"')
            return readString(cursor, &unit->time);
    }
    return skipValue(cursor, 0);
}

}  // namespace

bool readLoggedUnit(const char* line, size_t length, LoggedUnit* unit) {
    memset(unit, 0, sizeof *unit);
    Cursor cursor = {line, line + length};
    if (!take(&cursor, '{'))
        return false;
    if (!readMembers(&cursor, '}', [unit](Cursor* c) { return readTopMember(c, unit); }))
        return false;
    skipSpace(&cursor);
    return cursor.at == cursor.end;
}
