// strtol and its relatives for any result width: the C wrappers pass the
// limits of their own type.
#pragma once

#include <stdint.h>

namespace uefilibc {

struct ParsedNumber {
    uint64_t magnitude;  // saturated at the limit asked for
    bool negative;
    bool overflow;
    const char* end;  // first character not taken; the start when none was
};

// Reads optional white space, a sign, a base prefix (0x for 16, 0 for 8 when
// base is 0) and digits, saturating the magnitude at `limit`.
ParsedNumber parseNumber(const char* text, int base, uint64_t limit);

// strtoll/strtol semantics within [minimum, maximum]; sets *rangeError when
// the value was clamped.
int64_t parseSigned(const char* text, char** end, int base, int64_t minimum, int64_t maximum,
                    bool* rangeError);

// strtoull/strtoul semantics up to `maximum` (a leading minus negates modulo
// the type's range, as C prescribes).
uint64_t parseUnsigned(const char* text, char** end, int base, uint64_t maximum, bool* rangeError);

}  // namespace uefilibc
