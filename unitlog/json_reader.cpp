#include "unitlog/json_reader.h"

#include <cerrno>
#include <cstdlib>

namespace unitlog {

namespace {

// Deeper nesting than any record has is refused rather than recursed into.
constexpr int MAX_DEPTH = 64;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document(JsonError* error) {
        JsonValue value;
        skipSpace();
        bool parsed = parseValue(&value, 0);
        if (parsed) {
            skipSpace();
            if (position_ != text_.size())
                parsed = fail("text after the value");
        }
        if (!parsed) {
            if (error != nullptr)
                *error = {position_, reason_};
            return std::nullopt;
        }
        return value;
    }

  private:
    bool fail(const char* reason) {
        reason_ = reason;
        return false;
    }

    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[position_]; }

    void skipSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++position_;
    }

    bool literal(std::string_view word) {
        if (text_.substr(position_, word.size()) != word)
            return fail("unknown literal");
        position_ += word.size();
        return true;
    }

    bool parseValue(JsonValue* value, int depth) {
        if (depth >= MAX_DEPTH)
            return fail("nested too deeply");
        size_t start = position_;
        bool parsed = parseAnyValue(value, depth);
        value->source = text_.substr(start, position_ - start);
        return parsed;
    }

    bool parseAnyValue(JsonValue* value, int depth) {
        switch (peek()) {
            case '{':
                value->type = JsonType::Object;
                return parseObject(value, depth);
            case '[':
                value->type = JsonType::Array;
                return parseArray(value, depth);
            case '"':
                value->type = JsonType::String;
                return parseString(&value->text);
            case 't':
                value->type = JsonType::Boolean;
                value->boolean = true;
                return literal("true");
            case 'f':
                value->type = JsonType::Boolean;
                return literal("false");
            case 'n':
                value->type = JsonType::Null;
                return literal("null");
            case '\0':
                if (atEnd())
                    return fail("unexpected end");
                return fail("unexpected character");
            default:
                value->type = JsonType::Number;
                return parseNumber(&value->text);
        }
    }

    bool parseObject(JsonValue* value, int depth) {
        ++position_;
        skipSpace();
        if (peek() == '}') {
            ++position_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                return fail("expected a member name");
            std::string name;
            if (!parseString(&name))
                return false;
            skipSpace();
            if (peek() != ':')
                return fail("expected ':'");
            ++position_;
            skipSpace();
            value->members.emplace_back(std::move(name), JsonValue{});
            if (!parseValue(&value->members.back().second, depth + 1))
                return false;
            Next next = endOfItem('}');
            if (next != Next::More)
                return next == Next::Closed;
        }
    }

    bool parseArray(JsonValue* value, int depth) {
        ++position_;
        skipSpace();
        if (peek() == ']') {
            ++position_;
            return true;
        }
        for (;;) {
            skipSpace();
            value->items.emplace_back();
            if (!parseValue(&value->items.back(), depth + 1))
                return false;
            Next next = endOfItem(']');
            if (next != Next::More)
                return next == Next::Closed;
        }
    }

    enum class Next { More, Closed, Fault };

    // What follows an array item or object member.
    Next endOfItem(char closing) {
        skipSpace();
        if (peek() == ',') {
            ++position_;
            return Next::More;
        }
        if (peek() == closing) {
            ++position_;
            return Next::Closed;
        }
        fail(atEnd() ? "unexpected end" : "expected ',' or a closing bracket");
        return Next::Fault;
    }

    bool digits() {
        size_t start = position_;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++position_;
        return position_ > start;
    }

    bool parseNumber(std::string* out) {
        size_t start = position_;
        if (peek() == '-')
            ++position_;
        if (peek() == '0') {
            ++position_;
        } else if (!digits()) {
            return fail("unexpected character");
        }
        if (peek() == '.') {
            ++position_;
            if (!digits())
                return fail("digits expected after '.'");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++position_;
            if (peek() == '+' || peek() == '-')
                ++position_;
            if (!digits())
                return fail("digits expected in the exponent");
        }
        out->assign(text_.substr(start, position_ - start));
        return true;
    }

    bool hexQuad(uint32_t* code) {
        if (position_ + 4 > text_.size())
            return fail("short \\u escape");
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[position_++];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                return fail("bad hex digit in \\u escape");
            *code = *code * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    static void appendUtf8(std::string* out, uint32_t code) {
        if (code < 0x80) {
            out->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (code >> 6)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (code >> 18)));
            out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    // \uXXXX, with a high surrogate followed by its low one; a surrogate
    // alone has no UTF-8 form and is refused.
    bool unicodeEscape(std::string* out) {
        uint32_t code;
        if (!hexQuad(&code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return fail("lone low surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low;
            if (text_.substr(position_, 2) != "\\u" || (position_ += 2, !hexQuad(&low)))
                return reason_.empty() ? fail("lone high surrogate") : false;
            if (low < 0xDC00 || low > 0xDFFF)
                return fail("lone high surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    bool escape(std::string* out) {
        ++position_;
        if (atEnd())
            return fail("unterminated string");
        char c = peek();
        ++position_;
        switch (c) {
            case '"':
                out->push_back('"');
                return true;
            case '\\':
                out->push_back('\\');
                return true;
            case '/':
                out->push_back('/');
                return true;
            case 'b':
                out->push_back('\b');
                return true;
            case 'f':
                out->push_back('\f');
                return true;
            case 'n':
                out->push_back('\n');
                return true;
            case 'r':
                out->push_back('\r');
                return true;
            case 't':
                out->push_back('\t');
                return true;
            case 'u':
                return unicodeEscape(out);
            default:
                --position_;
                return fail("unknown escape");
        }
    }

    // Length of the well-formed UTF-8 sequence at the position, 0 for none.
    size_t utf8Length() const {
        auto byte = [&](size_t i) {
            return position_ + i < text_.size() ? static_cast<unsigned char>(text_[position_ + i])
                                                : 0;
        };
        unsigned char lead = byte(0);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || lead > 0xF4)
            return 0;
        for (size_t i = 1; i < length; ++i) {
            if ((byte(i) & 0xC0) != 0x80)
                return 0;
        }
        unsigned char second = byte(1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return 0;
        return length;
    }

    bool parseString(std::string* out) {
        ++position_;
        for (;;) {
            if (atEnd())
                return fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++position_;
                return true;
            }
            if (c == '\\') {
                if (!escape(out))
                    return false;
            } else if (c < 0x20) {
                return fail("control character in a string");
            } else if (c < 0x80) {
                out->push_back(static_cast<char>(c));
                ++position_;
            } else {
                size_t length = utf8Length();
                if (length == 0)
                    return fail("not UTF-8");
                out->append(text_.substr(position_, length));
                position_ += length;
            }
        }
    }

    std::string_view text_;
    size_t position_ = 0;
    std::string reason_;
};

}  // namespace

const JsonValue* JsonValue::member(std::string_view name) const {
    const JsonValue* found = nullptr;
    for (const auto& entry : members) {
        if (entry.first == name)
            found = &entry.second;
    }
    return found;
}

std::optional<int64_t> JsonValue::integer() const {
    if (type != JsonType::Number || text.find_first_of(".eE") != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || end == nullptr || *end != '\0')
        return std::nullopt;
    return static_cast<int64_t>(value);
}

std::optional<JsonValue> parseJson(std::string_view text, JsonError* error) {
    return Parser(text).document(error);
}

}  // namespace unitlog
