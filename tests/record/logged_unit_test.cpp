// The reader of our own records: what it keeps of a line, and the lines it
// refuses, so that the duplicate check compares the values a record holds.
#include <gtest/gtest.h>

#include <string>

#include "pelgrin/record/logged_unit.h"

namespace {

struct Row {
    const char* name;
    const char* line;
    bool parses;
    long long status;  // -999: no status member
    const char* bsn;   // null: not given
    const char* mainMac;
};

const Row ROWS[] = {
    {"a record of ours",
     R"({"time":"2025-12-06T05:46:40Z","status":0,"values":{"MainMAC":"021B2C3D4E5F","BSN":"B1"},)"
     R"("SKU.xml":{"sha256":"ab","size":12},"sent":true,"error":null})",
     true, 0, "B1", "021B2C3D4E5F"},
    {"negative status, blanks", R"( { "status" : -2 , "values" : { "BSN" : "B 2" } } )", true, -2,
     "B 2", nullptr},
    // Our writer turns a byte that is no UTF-8 into \u00XX and keeps UTF-8 as
    // it is; both come back as the bytes that were typed.
    {"escapes come back as bytes",
     "{\"status\":0,\"values\":{\"BSN\":\"\\\"\\\\\\u00FF\\u00e9\xc3\xa9\\u0041\"}}", true, 0,
     "\"\\\xff\xe9\xc3\xa9"
     "A",
     nullptr},
    {"values nested deeper are skipped",
     R"({"x":[{"values":{"BSN":"no"}},[1,[2]]],"status":3,"values":{"PN":{"a":"b"},"BSN":"B3"}})",
     true, 3, "B3", nullptr},
    {"keys only at the right place", R"({"status":0,"BSN":"top","values":{}})", true, 0, nullptr,
     nullptr},
    {"a cut line", R"({"time":"2025-12-06T05:46:40Z","status":0,"values":{"BSN":"B1")", false, 0,
     nullptr, nullptr},
    {"trailing text", R"({"status":0} x)", false, 0, nullptr, nullptr},
    {"an array", R"([{"status":0}])", false, 0, nullptr, nullptr},
    {"a bad escape", R"({"status":0,"values":{"BSN":"\q"}})", false, 0, nullptr, nullptr},
    {"a value that is no string", R"({"status":0,"values":{"BSN":7}})", false, 0, nullptr, nullptr},
};

TEST(LoggedUnit, KeepsTheIdentityOfOurRecordsAndRefusesOtherLines) {
    for (const Row& row : ROWS) {
        SCOPED_TRACE(row.name);
        LoggedUnit unit;
        std::string line = row.line;
        ASSERT_EQ(readLoggedUnit(line.data(), line.size(), &unit), row.parses);
        if (!row.parses)
            continue;
        EXPECT_EQ(unit.hasStatus ? unit.status : -999, row.status);
        EXPECT_EQ(unit.values[ID_BSN].given, row.bsn != nullptr);
        if (row.bsn != nullptr) {
            EXPECT_STREQ(unit.values[ID_BSN].text, row.bsn);
        }
        EXPECT_EQ(unit.values[ID_MAIN_MAC].given, row.mainMac != nullptr);
        if (row.mainMac != nullptr) {
            EXPECT_STREQ(unit.values[ID_MAIN_MAC].text, row.mainMac);
        }
    }
}

}  // namespace
