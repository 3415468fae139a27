#include "platform/uefi/libc/numbers.h"

namespace uefilibc {
namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// Settles the base and skips its prefix; a lone "0x" is the number 0 whose
// end is just after the zero.
const char* skipBasePrefix(const char* cursor, int* base) {
    bool hexPrefix = cursor[0] == '0' && (cursor[1] | 0x20) == 'x' && digitValue(cursor[2]) < 16;
    if ((*base == 0 || *base == 16) && hexPrefix) {
        *base = 16;
        return cursor + 2;
    }
    if (*base == 0)
        *base = cursor[0] == '0' ? 8 : 10;
    return cursor;
}

}  // namespace

ParsedNumber parseNumber(const char* text, int base, uint64_t limit) {
    ParsedNumber number = {0, false, false, text};
    if (base < 0 || base == 1 || base > 36)
        return number;
    const char* cursor = text;
    while (isSpace(*cursor))
        ++cursor;
    if (*cursor == '+' || *cursor == '-')
        number.negative = *cursor++ == '-';
    cursor = skipBasePrefix(cursor, &base);
    const char* digits = cursor;
    for (; digitValue(*cursor) < base; ++cursor) {
        uint64_t digit = static_cast<uint64_t>(digitValue(*cursor));
        if (number.magnitude > (limit - digit) / static_cast<uint64_t>(base)) {
            number.overflow = true;
            number.magnitude = limit;
        } else if (!number.overflow) {
            number.magnitude = number.magnitude * static_cast<uint64_t>(base) + digit;
        }
    }
    if (cursor != digits)
        number.end = cursor;
    return number;
}

int64_t parseSigned(const char* text, char** end, int base, int64_t minimum, int64_t maximum,
                    bool* rangeError) {
    uint64_t negativeLimit = static_cast<uint64_t>(-(minimum + 1)) + 1;
    ParsedNumber number = parseNumber(text, base, negativeLimit);
    if (end != nullptr)
        *end = const_cast<char*>(number.end);
    *rangeError = false;
    if (number.negative) {
        if (number.overflow || number.magnitude > negativeLimit) {
            *rangeError = true;
            return minimum;
        }
        return number.magnitude == negativeLimit ? minimum
                                                 : -static_cast<int64_t>(number.magnitude);
    }
    if (number.overflow || number.magnitude > static_cast<uint64_t>(maximum)) {
        *rangeError = true;
        return maximum;
    }
    return static_cast<int64_t>(number.magnitude);
}

uint64_t parseUnsigned(const char* text, char** end, int base, uint64_t maximum, bool* rangeError) {
    ParsedNumber number = parseNumber(text, base, maximum);
    if (end != nullptr)
        *end = const_cast<char*>(number.end);
    *rangeError = number.overflow;
    if (number.overflow)
        return maximum;
    return number.negative ? (0 - number.magnitude) & maximum : number.magnitude;
}

}  // namespace uefilibc
