#include "unitlog/duplicates.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

namespace unitlog {

namespace {

bool holds(const Record& record, const IdentityKeyword& keyword) {
    return !identityValue(record, keyword).empty();
}

// The unit's identity values, each from the first record holding it.
std::string unitIdentity(const Unit& unit) {
    std::string text;
    for (const IdentityKeyword& keyword : IDENTITY_KEYWORDS) {
        for (const Record* record : unit.records) {
            if (holds(*record, keyword)) {
                text += (text.empty() ? "" : " ") + std::string(keyword.name) + "=" +
                        identityValue(*record, keyword);
                break;
            }
        }
    }
    return text;
}

std::string unitTimes(const Unit& unit) {
    std::string text;
    for (const Record* record : unit.records)
        text += (text.empty() ? "" : ", ") + (*record)[Column::TIME].value_or("no time");
    return text;
}

// A record joins the first unit all of whose records it agrees with.
std::vector<Unit> unitsOf(const std::vector<const Record*>& records) {
    std::vector<Unit> units;
    for (const Record* record : records) {
        auto agrees = [&](const Unit& unit) {
            return std::all_of(unit.records.begin(), unit.records.end(),
                               [&](const Record* other) { return sameUnit(*record, *other); });
        };
        auto unit = std::find_if(units.begin(), units.end(), agrees);
        if (unit == units.end())
            units.push_back(Unit{{record}});
        else
            unit->records.push_back(record);
    }
    return units;
}

}  // namespace

std::string identityValue(const Record& record, const IdentityKeyword& keyword) {
    std::string value = record[keyword.column].value_or("");
    if (keyword.isMac) {
        for (char& c : value)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return value;
}

bool givesIdentity(const Record& record) {
    const std::string sent = record[Column::SENT].value_or("false");
    return record[Column::STATUS] == std::string("0") || sent == "true" || sent == "window" ||
           sent == "fru";
}

bool sameUnit(const Record& a, const Record& b) {
    for (const IdentityKeyword& keyword : IDENTITY_KEYWORDS) {
        if (holds(a, keyword) && holds(b, keyword) &&
            identityValue(a, keyword) != identityValue(b, keyword))
            return false;
    }
    return true;
}

std::vector<Duplicate> findDuplicates(const std::vector<Record>& records) {
    // (value space, value) -> the records giving it, oldest first
    std::map<std::pair<std::string, std::string>, std::vector<const Record*>> givers;
    for (const Record& record : records) {
        if (!givesIdentity(record))
            continue;
        for (const IdentityKeyword& keyword : IDENTITY_KEYWORDS) {
            std::string value = identityValue(record, keyword);
            if (value.empty())
                continue;
            auto& holders = givers[{keyword.valueSpace, value}];
            if (holders.empty() || holders.back() != &record)
                holders.push_back(&record);
        }
    }
    std::vector<Duplicate> duplicates;
    for (const auto& [key, holders] : givers) {
        std::vector<Unit> units = unitsOf(holders);
        if (units.size() > 1)
            duplicates.push_back({key.first, key.second, std::move(units)});
    }
    return duplicates;
}

std::string describe(const Duplicate& duplicate) {
    std::string text = duplicate.valueSpace + " " + duplicate.value + " given to " +
                       std::to_string(duplicate.units.size()) + " units:";
    const char* separator = " ";
    for (const Unit& unit : duplicate.units) {
        text += separator + unitIdentity(unit) + " at " + unitTimes(unit);
        separator = "; ";
    }
    return text;
}

}  // namespace unitlog
