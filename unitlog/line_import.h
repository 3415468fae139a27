// Reading the sticks' record files into a store, a batch per transaction.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "unitlog/record_store.h"

namespace unitlog {

struct ImportCounts {
    size_t lines = 0;
    size_t added = 0;     // new rows
    size_t present = 0;   // lines the database held already
    size_t unparsed = 0;  // lines that are not a JSON object, each warned about
};

// A FILE that cannot be read, with the status the program ends with.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Every FILE is opened before anything is stored, so that a mistyped name
// stores nothing. A line that does not parse is one `Warning!` line on
// `warnings` and the import goes on.
ImportCounts importFiles(RecordStore& store, const std::vector<std::string>& files,
                         std::ostream& warnings);

}  // namespace unitlog
