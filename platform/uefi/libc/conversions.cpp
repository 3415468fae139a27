// The C library's number conversions over uefilibc::parseSigned/Unsigned.
#include <errno.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/uefi/libc/numbers.h"

namespace {

template <typename Value>
Value reportRange(Value value, bool rangeError) {
    if (rangeError)
        errno = ERANGE;
    return value;
}

}  // namespace

extern "C" {

long strtol(const char* text, char** end, int base) {
    bool rangeError;
    auto value = uefilibc::parseSigned(text, end, base, LONG_MIN, LONG_MAX, &rangeError);
    return reportRange(static_cast<long>(value), rangeError);
}

long long strtoll(const char* text, char** end, int base) {
    bool rangeError;
    auto value = uefilibc::parseSigned(text, end, base, LLONG_MIN, LLONG_MAX, &rangeError);
    return reportRange(static_cast<long long>(value), rangeError);
}

unsigned long strtoul(const char* text, char** end, int base) {
    bool rangeError;
    auto value = uefilibc::parseUnsigned(text, end, base, ULONG_MAX, &rangeError);
    return reportRange(static_cast<unsigned long>(value), rangeError);
}

unsigned long long strtoull(const char* text, char** end, int base) {
    bool rangeError;
    auto value = uefilibc::parseUnsigned(text, end, base, ULLONG_MAX, &rangeError);
    return reportRange(static_cast<unsigned long long>(value), rangeError);
}

// atoi leaves overflow undefined; this one wraps like the common libraries.
int atoi(const char* text) {
    return static_cast<int>(strtol(text, nullptr, 10));
}

long atol(const char* text) {
    return strtol(text, nullptr, 10);
}

int abs(int value) {
    return value < 0 ? -value : value;
}

long labs(long value) {
    return value < 0 ? -value : value;
}

char* getenv(const char*) {
    return nullptr;
}

}  // extern "C"
