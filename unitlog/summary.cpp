#include "unitlog/summary.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "unitlog/duplicates.h"

namespace unitlog {

namespace {

constexpr size_t DAY_LENGTH = 10;  // YYYY-MM-DD

std::string dayOf(const Record& record) {
    const auto& time = record[Column::TIME];
    if (!time || time->size() < DAY_LENGTH)
        return "no time";
    return time->substr(0, DAY_LENGTH);
}

std::string unitKey(const Record& record) {
    std::string key;
    for (const IdentityKeyword& keyword : IDENTITY_KEYWORDS)
        key += identityValue(record, keyword) + '\x1f';
    if (key.find_first_not_of('\x1f') == std::string::npos)
        return "record " + record[Column::LINE_SHA256].value_or("");
    return key;
}

struct DayCount {
    std::set<std::string> units;
    size_t records = 0;
};

struct Verdicts {
    size_t pass = 0;
    size_t fail = 0;
};

std::string line(const char* format, const std::string& a, const std::string& b,
                 const std::string& c, const std::string& d) {
    char text[512];
    std::snprintf(text, sizeof text, format, a.c_str(), b.c_str(), c.c_str(), d.c_str());
    return std::string(text) + "\n";
}

void writeDays(const std::vector<Record>& records, std::ostream& out) {
    // Numeric statuses sort as numbers; a record without one shows "-".
    std::map<std::tuple<std::string, bool, long long, std::string>, DayCount> days;
    for (const Record& record : records) {
        const auto& status = record[Column::STATUS];
        auto key = std::make_tuple(dayOf(record), !status.has_value(),
                                   status ? std::stoll(*status) : 0, status.value_or("-"));
        DayCount& count = days[key];
        count.units.insert(unitKey(record));
        ++count.records;
    }
    const char* format = "%-10s  %6s  %6s  %7s";
    out << line(format, "day", "status", "units", "records");
    for (const auto& [key, count] : days)
        out << line(format, std::get<0>(key), std::get<3>(key), std::to_string(count.units.size()),
                    std::to_string(count.records));
}

void writeVerdicts(const std::vector<Record>& records, std::ostream& out) {
    std::map<std::string, Verdicts> verdicts;
    for (const Record& record : records) {
        Verdicts& verdict = verdicts[record[Column::VERIFICATION].value_or("-")];
        if (record[Column::STATUS] == std::string("0"))
            ++verdict.pass;
        else
            ++verdict.fail;
    }
    const char* format = "%-12s  %6s  %6s%s";
    out << line(format, "verification", "PASS", "FAIL", "");
    for (const auto& [name, verdict] : verdicts)
        out << line(format, name, std::to_string(verdict.pass), std::to_string(verdict.fail), "");
}

}  // namespace

void writeSummary(const std::vector<Record>& records, std::ostream& out) {
    writeDays(records, out);
    out << "\n";
    writeVerdicts(records, out);
}

}  // namespace unitlog
