// The line's question at the end of a shift: was any identity given to two
// boards? A record gives its values to a board when the run ended with 0 or
// the BMC took the image. Two such records are the same unit when every
// identity keyword both hold has the same value in both (a rework, the
// labels scanned again); any keyword both hold that differs makes them two
// units, and a value they share is then a duplicate. MainMAC and ShareMAC
// are one space of addresses: a board's ShareMAC that is another board's
// MainMAC collides on the network all the same.
#pragma once

#include <string>
#include <vector>

#include "unitlog/record_columns.h"

namespace unitlog {

struct IdentityKeyword {
    Column column;
    const char* name;
    const char* valueSpace;  // keywords whose values must not meet
    bool isMac;              // compared as hexadecimal, any case
};

inline constexpr IdentityKeyword IDENTITY_KEYWORDS[] = {
    {Column::MAIN_MAC, "MainMAC", "MAC", true}, {Column::SHARE_MAC, "ShareMAC", "MAC", true},
    {Column::BSN, "BSN", "BSN", false},         {Column::PSN, "PSN", "PSN", false},
    {Column::CSN, "CSN", "CSN", false},
};

// The value as compared ("" when the record holds none).
std::string identityValue(const Record& record, const IdentityKeyword& keyword);
bool givesIdentity(const Record& record);
bool sameUnit(const Record& a, const Record& b);

struct Unit {
    std::vector<const Record*> records;  // in the order given
};

struct Duplicate {
    std::string valueSpace;  // "MAC", "BSN", "PSN" or "CSN"
    std::string value;
    std::vector<Unit> units;  // two or more
};

// Every value given to more than one unit, by value space and value; `records`
// oldest first, and they must outlive the result.
std::vector<Duplicate> findDuplicates(const std::vector<Record>& records);

// One line: the value, then each unit (its identity values) with the times
// of its records.
std::string describe(const Duplicate& duplicate);

}  // namespace unitlog
