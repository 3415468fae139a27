#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unitlog/duplicates.h"
#include "unitlog/unit_line.h"

namespace unitlog {
namespace {

// A station's record line: time, status, sent, then the values' JSON members.
std::string unit(const char* time, int status, const char* sent, const char* values) {
    return std::string(R"({"time":")") + time + R"(","status":)" + std::to_string(status) +
           R"(,"sent":)" + sent + R"(,"values":{)" + values + "}}";
}

const char* const T1 = "2026-12-08T08:00:00Z";
const char* const T2 = "2026-12-08T09:00:00Z";
const char* const T3 = "2026-12-08T10:00:00Z";

struct Row {
    const char* name;
    std::vector<std::string> lines;  // oldest first
    std::vector<std::string> reported;
};

const Row ROWS[] = {
    {"another unit with the first one's MainMAC",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B1")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B2")")},
     {"MAC 021B2C3D4E5F given to 2 units: MainMAC=021B2C3D4E5F BSN=B1 at "
      "2026-12-08T08:00:00Z; MainMAC=021B2C3D4E5F BSN=B2 at 2026-12-08T09:00:00Z"}},
    {"a rework: the same values again",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B1")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B1")")},
     {}},
    {"a rework typed in the other case",
     {unit(T1, 0, "true", R"("MainMAC":"021b2c3d4e5f","BSN":"B1")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B1")")},
     {}},
    {"the same MAC in another case on another unit",
     {unit(T1, 0, "true", R"("MainMAC":"021b2c3d4e5f","BSN":"B1")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B2")")},
     {"MAC 021B2C3D4E5F given to 2 units: MainMAC=021B2C3D4E5F BSN=B1 at "
      "2026-12-08T08:00:00Z; MainMAC=021B2C3D4E5F BSN=B2 at 2026-12-08T09:00:00Z"}},
    {"one unit's ShareMAC is another's MainMAC",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F","ShareMAC":"021B2C3D4E60","PSN":"P1")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E60","PSN":"P2")")},
     {"MAC 021B2C3D4E60 given to 2 units: MainMAC=021B2C3D4E5F ShareMAC=021B2C3D4E60 PSN=P1 at "
      "2026-12-08T08:00:00Z; MainMAC=021B2C3D4E60 PSN=P2 at 2026-12-08T09:00:00Z"}},
    {"a shared BSN on units whose PSN differs",
     {unit(T1, 0, "true", R"("BSN":"B1","PSN":"P1")"),
      unit(T2, 0, "false", R"("BSN":"B1","PSN":"P2")")},
     {"BSN B1 given to 2 units: BSN=B1 PSN=P1 at 2026-12-08T08:00:00Z; BSN=B1 PSN=P2 at "
      "2026-12-08T09:00:00Z"}},
    {"a shared CSN, the first unit reworked",
     {unit(T1, 0, "true", R"("CSN":"C1","BSN":"B1")"),
      unit(T2, 0, "true", R"("CSN":"C1","BSN":"B1")"),
      unit(T3, 0, "true", R"("CSN":"C1","BSN":"B3")")},
     {"CSN C1 given to 2 units: BSN=B1 CSN=C1 at 2026-12-08T08:00:00Z, 2026-12-08T09:00:00Z; "
      "BSN=B3 CSN=C1 at 2026-12-08T10:00:00Z"}},
    {"keywords only one record holds do not part units",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B2")")},
     {}},
    {"a refused unit (status 12, nothing sent) was given nothing",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"B1")"),
      unit(T2, 12, "false", R"("MainMAC":"021B2C3D4E5F","BSN":"B2")")},
     {}},
    {"a failed unit whose BMC took the image holds it",
     {unit(T1, 0, "true", R"("PSN":"P1","BSN":"B1")"),
      unit(T2, 8, "true", R"("PSN":"P1","BSN":"B2")")},
     {"PSN P1 given to 2 units: BSN=B1 PSN=P1 at 2026-12-08T08:00:00Z; BSN=B2 PSN=P1 at "
      "2026-12-08T09:00:00Z"}},
    {"a FRU written directly counts as given",
     {unit(T1, 14, "\"fru\"", R"("PSN":"P1","BSN":"B1")"),
      unit(T2, 14, "\"window\"", R"("PSN":"P1","BSN":"B2")")},
     {"PSN P1 given to 2 units: BSN=B1 PSN=P1 at 2026-12-08T08:00:00Z; BSN=B2 PSN=P1 at "
      "2026-12-08T09:00:00Z"}},
    {"empty values are no identity",
     {unit(T1, 0, "true", R"("MainMAC":"021B2C3D4E5F","BSN":"")"),
      unit(T2, 0, "true", R"("MainMAC":"021B2C3D4E60","BSN":"")")},
     {}},
};

TEST(Duplicates, OneLinePerValueGivenToMoreThanOneUnit) {
    for (const Row& row : ROWS) {
        std::vector<Record> records;
        for (const std::string& line : row.lines) {
            LineFault fault{0, ""};
            records.push_back(*recordFromLine(line, &fault));
        }
        std::vector<std::string> reported;
        for (const Duplicate& duplicate : findDuplicates(records))
            reported.push_back(describe(duplicate));
        EXPECT_EQ(reported, row.reported) << row.name;
    }
}

}  // namespace
}  // namespace unitlog
