#include <gtest/gtest.h>

#include "unitlog/csv_output.h"

namespace unitlog {
namespace {

struct Quoting {
    const char* value;
    const char* field;
};

const Quoting QUOTING[] = {
    {"B1", "B1"},
    {"", ""},
    {" padded ", " padded "},
    {"a,b", "\"a,b\""},
    {"say \"hi\"", "\"say \"\"hi\"\"\""},
    {"\"", "\"\"\"\""},
    {"two\nlines", "\"two\nlines\""},
    {"cr\r", "\"cr\r\""},
    {"Error! MainMAC 010000000001 is a multicast address",
     "Error! MainMAC 010000000001 is a multicast address"},
};

TEST(Csv, FieldsQuotedOnlyWhenTheyMustBe) {
    for (const Quoting& row : QUOTING)
        EXPECT_EQ(csvField(row.value), row.field) << row.value;
}

}  // namespace
}  // namespace unitlog
