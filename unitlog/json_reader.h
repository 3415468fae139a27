// A JSON reader (RFC 8259) for the station's record lines: a whole text to one
// tree, strings decoded to UTF-8 (\u escapes and surrogate pairs included).
// Each value keeps the span of text it came from, so that a member nobody
// here knows can be stored again exactly as the station wrote it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace unitlog {

enum class JsonType { Null, Boolean, Number, String, Array, Object };

struct JsonValue {
    JsonType type = JsonType::Null;
    bool boolean = false;
    std::string text;  // a string's decoded bytes; a number's digits as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in the order written
    std::string_view source;  // the value's own text in the parsed line

    // The member called `name` (the last one, when a name repeats), or null.
    const JsonValue* member(std::string_view name) const;
    // A number without fraction or exponent that fits 64 bits.
    std::optional<int64_t> integer() const;
};

struct JsonError {
    size_t offset;       // byte offset of the fault in the text
    std::string reason;  // e.g. "unterminated string"
};

// The whole text must be one value with only white space around it. The
// tree's `source` views point into `text`, which must outlive it.
std::optional<JsonValue> parseJson(std::string_view text, JsonError* error);

}  // namespace unitlog
