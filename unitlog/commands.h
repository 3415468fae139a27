// unitlog's commands, each given its words after the command's name and
// returning the exit status. Reports go to `out`, `Warning!` and `Error!`
// lines to `err`, so that `unitlog csv DB > file` holds the CSV alone.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace unitlog {

int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace unitlog
