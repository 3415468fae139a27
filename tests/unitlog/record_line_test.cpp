#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "unitlog/json_reader.h"
#include "unitlog/unit_line.h"

namespace unitlog {
namespace {

// The tree again as text, every byte that is not plain ASCII as \xHH, so that
// a row shows exactly what a string decoded to.
std::string render(const JsonValue& value) {
    switch (value.type) {
        case JsonType::Null:
            return "null";
        case JsonType::Boolean:
            return value.boolean ? "true" : "false";
        case JsonType::Number:
            return value.text;
        case JsonType::String: {
            std::string text = "'";
            for (unsigned char c : value.text) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                text += c < 0x20 || c >= 0x7F || c == '\'' || c == '\\' ? hex : std::string(1, c);
            }
            return text + "'";
        }
        case JsonType::Array: {
            std::string text = "[";
            for (const JsonValue& item : value.items)
                text += (text.size() > 1 ? "," : "") + render(item);
            return text + "]";
        }
        case JsonType::Object: {
            std::string text = "{";
            for (const auto& [name, member] : value.members)
                text += (text.size() > 1 ? "," : "") + name + ":" + render(member);
            return text + "}";
        }
    }
    return "?";
}

struct Accepted {
    const char* text;
    const char* tree;
};

const Accepted ACCEPTED[] = {
    {R"({"a":1,"b":[true,false,null]})", "{a:1,b:[true,false,null]}"},
    {" \t\r\n\"x\" \n", "'x'"},
    {R"({ "a" : [ ] , "b" : { } })", "{a:[],b:{}}"},
    {R"("\"\\\/\b\f\n\r\t")", R"('"\x5C/\x08\x0C\x0A\x0D\x09')"},
    {R"("\u00e9\u00C9")", R"('\xC3\xA9\xC3\x89')"},
    {R"("\u20AC")", R"('\xE2\x82\xAC')"},
    {R"("\ud83d\ude00")", R"('\xF0\x9F\x98\x80')"},
    {"\"\xC3\xA9\xF0\x9F\x98\x80\"", R"('\xC3\xA9\xF0\x9F\x98\x80')"},
    {R"("\u0000")", R"('\x00')"},
    {"[-0.5e+3,0,-0,1E9,12.25]", "[-0.5e+3,0,-0,1E9,12.25]"},
};

TEST(JsonReader, AcceptsAndDecodes) {
    for (const Accepted& row : ACCEPTED) {
        JsonError error{0, ""};
        auto value = parseJson(row.text, &error);
        ASSERT_TRUE(value.has_value()) << row.text << ": " << error.reason;
        EXPECT_EQ(render(*value), row.tree) << row.text;
    }
}

struct Refused {
    std::string text;
    const char* reason;
    size_t offset;
};

const Refused REFUSED[] = {
    {"", "unexpected end", 0},
    {"   ", "unexpected end", 3},
    {R"({"a":1,})", "expected a member name", 7},
    {R"({"a" 1})", "expected ':'", 5},
    {"[1 2]", "expected ',' or a closing bracket", 3},
    {"[1,", "unexpected end", 3},
    {R"("abc)", "unterminated string", 4},
    {"\"a\\", "unterminated string", 3},
    {"\"a\x01\"", "control character in a string", 2},
    {"\"a\tb\"", "control character in a string", 2},
    {R"("\x")", "unknown escape", 2},
    {R"("\u12G4")", "bad hex digit in \\u escape", 6},
    {R"("\u12")", "short \\u escape", 3},
    {R"("\ud800")", "lone high surrogate", 7},
    {R"("\ud800\u0041")", "lone high surrogate", 13},
    {R"("\udc00")", "lone low surrogate", 7},
    {"\"\xC3\x28\"", "not UTF-8", 1},
    {"\"\xED\xA0\x80\"", "not UTF-8", 1},
    {"\"\xC0\xAF\"", "not UTF-8", 1},
    {"\"\xF4\x90\x80\x80\"", "not UTF-8", 1},
    {"01", "text after the value", 1},
    {"{} x", "text after the value", 3},
    {"1.", "digits expected after '.'", 2},
    {"1e+", "digits expected in the exponent", 3},
    {"-", "unexpected character", 1},
    {"+1", "unexpected character", 0},
    {"tru", "unknown literal", 0},
    {"nul", "unknown literal", 0},
    {std::string(65, '[') + std::string(65, ']'), "nested too deeply", 64},
};

TEST(JsonReader, RefusesWithReasonAndPlace) {
    for (const Refused& row : REFUSED) {
        JsonError error{0, ""};
        EXPECT_FALSE(parseJson(row.text, &error).has_value()) << row.text;
        EXPECT_EQ(error.reason, row.reason) << row.text;
        EXPECT_EQ(error.offset, row.offset) << row.text;
    }
}

TEST(JsonReader, DeepestNestingAccepted) {
    std::string text = std::string(64, '[') + std::string(64, ']');
    EXPECT_TRUE(parseJson(text, nullptr).has_value());
}

struct Integer {
    const char* text;
    std::optional<int64_t> value;
};

const Integer INTEGERS[] = {
    {"5", 5},
    {"-7", -7},
    {"9223372036854775807", INT64_MAX},
    {"9223372036854775808", std::nullopt},
    {"1.0", std::nullopt},
    {"1e2", std::nullopt},
    {"\"5\"", std::nullopt},
};

TEST(JsonReader, IntegersOnlyWhenWhole) {
    for (const Integer& row : INTEGERS)
        EXPECT_EQ(parseJson(row.text, nullptr)->integer(), row.value) << row.text;
}

// A line's field and what the row holds for it.
struct Extracted {
    const char* line;
    Column column;
    std::optional<std::string> value;
};

const Extracted EXTRACTED[] = {
    {R"({"status":0})", Column::STATUS, "0"},
    {R"({"status":"0"})", Column::STATUS, std::nullopt},
    {R"({"status":1.5})", Column::STATUS, std::nullopt},
    {R"({"status":1,"status":2})", Column::STATUS, "2"},
    {R"({"time":"2026-12-08T20:41:07"})", Column::TIME, "2026-12-08T20:41:07"},
    {R"({"time_zone":"unspecified"})", Column::TIME_ZONE, "unspecified"},
    {R"({"time":null})", Column::TIME, std::nullopt},
    {R"({"values":{"MainMAC":"021b2c3d4e5f"}})", Column::MAIN_MAC, "021b2c3d4e5f"},
    {R"({"values":{"BSN":"B\u00e9"}})", Column::BSN, "B\xC3\xA9"},
    {R"({"values":{"WS":""}})", Column::WS, ""},
    {R"({"values":{"CSN":7}})", Column::CSN, std::nullopt},
    {R"({"values":{"XYZ":"1"},"new": [1, 2]})", Column::EXTRA,
     R"({"values.XYZ":"1","new":[1, 2]})"},
    {R"({"values":"B1"})", Column::EXTRA, R"({"values":"B1"})"},
    {R"({"a\"b\u0001":1})", Column::EXTRA, R"({"a\"b\u0001":1})"},
    {R"({"status":0})", Column::EXTRA, std::nullopt},
    {R"({"Board ID":"TN4MB-0420"})", Column::BOARD_ID, "TN4MB-0420"},
    {R"({"SKU.xml":{"sha256":"2623fa","size":1885}})", Column::SKU_XML_SHA256, "2623fa"},
    {R"({"SKU.xml":{"sha256":"2623fa","size":1885}})", Column::SKU_XML_SIZE, "1885"},
    {R"({"SKU.BIN":{"sha256":"cd76a4","size":1664}})", Column::SKU_BIN_SIZE, "1664"},
    {R"({"SKU.BIN":null})", Column::SKU_BIN_SHA256, std::nullopt},
    {R"({"sent":true})", Column::SENT, "true"},
    {R"({"sent":false})", Column::SENT, "false"},
    {R"({"sent":"fru"})", Column::SENT, "fru"},
    {R"({"verification":"not run"})", Column::VERIFICATION, "not run"},
    {R"({"error":"Error! x"})", Column::ERROR, "Error! x"},
    {R"({"refused_scans":2})", Column::REFUSED_SCANS, "2"},
    {R"({"rework":true})", Column::REWORK, "true"},
    {R"({"rework":"yes"})", Column::REWORK, std::nullopt},
    {R"({"Stick ID":"5F2A"})", Column::STICK_ID, "5F2A"},
    {R"({"stick_id":"5F2B"})", Column::STICK_ID, "5F2B"},
    {R"({"SKUSHA256":"ab12"})", Column::SKU_SHA256, "ab12"},
    {R"({"a":1})", Column::LINE, R"({"a":1})"},
};

TEST(RecordLine, FieldsTakenWhereTheyAreAndOfTheirType) {
    for (const Extracted& row : EXTRACTED) {
        LineFault fault{0, ""};
        auto record = recordFromLine(row.line, &fault);
        ASSERT_TRUE(record.has_value()) << row.line << ": " << fault.reason;
        EXPECT_EQ((*record)[row.column], row.value) << row.line;
    }
}

TEST(RecordLine, KeyIsTheLinesSha256AndOnlyObjectsAreRecords) {
    // SHA-256("abc"), the standard's first example.
    EXPECT_EQ(lineKey("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    LineFault fault{0, ""};
    EXPECT_FALSE(recordFromLine("[1]", &fault).has_value());
    EXPECT_EQ(fault.reason, "not a JSON object");
    auto record = recordFromLine(R"({"a":1})", &fault);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ((*record)[Column::LINE_SHA256], lineKey(R"({"a":1})"));
}

}  // namespace
}  // namespace unitlog
