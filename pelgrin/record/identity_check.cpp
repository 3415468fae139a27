#include "pelgrin/record/identity_check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Big enough that a line from our writer always fits; a longer one is no
// record of ours and is passed over.
constexpr size_t READ_BUFFER = 65536;

bool isMac(int keyword) {
    return keyword == ID_MAIN_MAC || keyword == ID_SHARE_MAC;
}

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameMac(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (lowered(*a) != lowered(*b))
            return false;
    }
    return *a == *b;
}

bool sameValue(int keyword, const char* value, const LoggedText& logged) {
    if (!logged.given || logged.tooLong)
        return false;
    return isMac(keyword) ? sameMac(value, logged.text) : strcmp(value, logged.text) == 0;
}

// The earlier unit holds `value` of `keyword`: a MAC as either of its MACs.
bool holds(const LoggedUnit& earlier, int keyword, const char* value) {
    if (!isMac(keyword))
        return sameValue(keyword, value, earlier.values[keyword]);
    return sameValue(keyword, value, earlier.values[ID_MAIN_MAC]) ||
           sameValue(keyword, value, earlier.values[ID_SHARE_MAC]);
}

int firstHeld(const char* const values[ID_KEYWORD_COUNT], const LoggedUnit& earlier) {
    for (int i = 0; i < ID_KEYWORD_COUNT; ++i) {
        if (values[i] != nullptr && holds(earlier, i, values[i]))
            return i;
    }
    return -1;
}

int firstDiffering(const char* const values[ID_KEYWORD_COUNT], const LoggedUnit& earlier) {
    for (int i = 0; i < ID_KEYWORD_COUNT; ++i) {
        if (values[i] != nullptr && earlier.values[i].given &&
            !sameValue(i, values[i], earlier.values[i]))
            return i;
    }
    return -1;
}

struct LogScan {
    const char* values[ID_KEYWORD_COUNT];
    IdentityConflict* conflict;
    IdentityVerdict verdict;
    LoggedUnit unit;
};

// False once a conflict ends the scan.
bool scanLine(LogScan* scan, const char* line, size_t length) {
    if (!readLoggedUnit(line, length, &scan->unit) || !scan->unit.hasStatus ||
        scan->unit.status != 0)
        return true;
    IdentityVerdict verdict = compareWithLoggedUnit(scan->values, scan->unit, scan->conflict);
    if (verdict != IDENTITY_NEW)
        scan->verdict = verdict;
    return verdict != IDENTITY_CONFLICT;
}

// Hands each whole line of the buffer to scanLine; returns the bytes of the
// unfinished last line, moved to the buffer's start. A line that fills the
// buffer alone is dropped up to its end (*skipping).
size_t scanLines(LogScan* scan, char* buffer, size_t filled, bool* skipping, bool* stop) {
    size_t start = 0;
    for (size_t i = 0; i < filled && !*stop; ++i) {
        if (buffer[i] != '\n')
            continue;
        if (!*skipping)
            *stop = !scanLine(scan, buffer + start, i - start);
        *skipping = false;
        start = i + 1;
    }
    size_t rest = filled - start;
    if (rest == READ_BUFFER) {
        *skipping = true;
        return 0;
    }
    memmove(buffer, buffer + start, rest);
    return rest;
}

// The log's size now: a device that reads without end (/dev/full, /dev/zero)
// has none, and is read no further.
long sizeOf(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(file);
    return fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}

bool scanFile(FILE* file, LogScan* scan) {
    long left = sizeOf(file);
    char* buffer = static_cast<char*>(malloc(READ_BUFFER));
    if (left < 0 || buffer == nullptr) {
        free(buffer);
        return false;
    }
    size_t filled = 0;
    bool skipping = false, stop = false, failed = false;
    while (left > 0 && !stop) {
        size_t want = READ_BUFFER - filled;
        if (want > static_cast<size_t>(left))
            want = static_cast<size_t>(left);
        size_t got = fread(buffer + filled, 1, want, file);
        if (got == 0) {
            failed = ferror(file) != 0;
            break;
        }
        left -= static_cast<long>(got);
        filled = scanLines(scan, buffer, filled + got, &skipping, &stop);
    }
    if (!stop && !failed && filled > 0 && !skipping)
        scanLine(scan, buffer, filled);  // a last line without its line break
    free(buffer);
    return !failed;
}

}  // namespace

void identityValues(const SkuContext& context, const char* values[ID_KEYWORD_COUNT]) {
    values[ID_MAIN_MAC] = context.mainMac;
    values[ID_SHARE_MAC] = context.shareMac;
    values[ID_BSN] = context.boardSerialNumber;
    values[ID_PSN] = context.productSerialNumber;
    values[ID_CSN] = context.chassisSerialNumber;
}

IdentityVerdict compareWithLoggedUnit(const char* const values[ID_KEYWORD_COUNT],
                                      const LoggedUnit& earlier, IdentityConflict* conflict) {
    int held = firstHeld(values, earlier);
    if (held < 0)
        return IDENTITY_NEW;
    int differs = firstDiffering(values, earlier);
    if (differs < 0)
        return IDENTITY_REWORK;
    conflict->held = static_cast<IdentityKeyword>(held);
    conflict->differs = static_cast<IdentityKeyword>(differs);
    conflict->earlier = earlier;
    return IDENTITY_CONFLICT;
}

IdentityVerdict checkIdentityAgainstLog(const char* logFile, const SkuContext& context,
                                        IdentityConflict* conflict) {
    LogScan* scan = static_cast<LogScan*>(malloc(sizeof(LogScan)));
    if (scan == nullptr)
        return IDENTITY_LOG_UNREADABLE;
    identityValues(context, scan->values);
    scan->conflict = conflict;
    scan->verdict = IDENTITY_NEW;
    IdentityVerdict verdict = IDENTITY_NEW;
    FILE* file = fopen(logFile, "rb");
    if (file != nullptr) {
        verdict = scanFile(file, scan) ? scan->verdict : IDENTITY_LOG_UNREADABLE;
        fclose(file);
    }
    free(scan);
    return verdict;
}
