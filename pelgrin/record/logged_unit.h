// One line of units.log read back: only what the identity check compares.
// The reader knows our own records' JSON (RFC 8259 objects on one line) and
// skips every member it does not need, whatever its type.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The five values that make a unit's identity, in the order a refusal
// names them.
enum IdentityKeyword { ID_MAIN_MAC, ID_SHARE_MAC, ID_BSN, ID_PSN, ID_CSN, ID_KEYWORD_COUNT };

extern const char* const IDENTITY_KEYWORDS[ID_KEYWORD_COUNT];

// Longest value kept; serial numbers stop at 63 bytes and MACs at 12, so a
// longer one cannot equal a value this run accepted.
constexpr size_t LOGGED_VALUE_MAX = 255;

struct LoggedText {
    bool given;
    bool tooLong;  // given, but longer than LOGGED_VALUE_MAX: compared with nothing
    char text[LOGGED_VALUE_MAX + 1];
};

struct LoggedUnit {
    bool hasStatus;
    int64_t status;
    LoggedText time;
    LoggedText values[ID_KEYWORD_COUNT];
};

// False when `line` (`length` bytes, no line break) is not one JSON object.
bool readLoggedUnit(const char* line, size_t length, LoggedUnit* unit);
