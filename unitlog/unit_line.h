// One line of a station's record file to a database row. Fields are taken
// where they are and of the type they should be; anything else is left empty
// and the whole line is kept, so that a record written by a newer pelgrin
// is stored all the same.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "unitlog/record_columns.h"

namespace unitlog {

struct LineFault {
    size_t offset;  // byte in the line
    std::string reason;
};

// The row for `line` (without its line break), its key the SHA-256 of the
// line's bytes. Empty when the line is not a JSON object.
std::optional<Record> recordFromLine(std::string_view line, LineFault* fault);

// 64 lower-case hexadecimal digits.
std::string lineKey(std::string_view line);

}  // namespace unitlog
