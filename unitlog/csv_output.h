// The records for a factory's MES: RFC 4180 CSV, a header row of the column
// names, one row per record, lines ended with CR LF.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "unitlog/record_columns.h"

namespace unitlog {

// The field as RFC 4180 writes it: quoted when it holds a quote, a comma, CR
// or LF, with each quote doubled.
std::string csvField(const std::string& value);

// Every column but the raw `line`; an absent field is empty.
void writeCsv(const std::vector<Record>& records, std::ostream& out);

}  // namespace unitlog
