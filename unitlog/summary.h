// A shift at a glance: units per day and status, and how the read-back
// verifications ended.
#pragma once

#include <ostream>
#include <vector>

#include "unitlog/record_columns.h"

namespace unitlog {

// The day is the first ten characters of `time` (the station's clock), "no
// time" without one. A unit is its identity values (MainMAC and ShareMAC in
// upper case, BSN, PSN, CSN); a record with none of them counts as a unit of
// its own. PASS is status 0, FAIL any other.
void writeSummary(const std::vector<Record>& records, std::ostream& out);

}  // namespace unitlog
