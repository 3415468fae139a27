// unitlog's exit statuses; unitlog/README.md lists them for a line's scripts.
#pragma once

namespace unitlog {

enum Status {
    STATUS_OK = 0,
    STATUS_DUPLICATES = 1,            // dups: a value was given to more than one unit
    STATUS_USAGE = 2,                 // unknown command, missing or extra words
    STATUS_DATABASE_UNAVAILABLE = 3,  // DB cannot be opened, created or connected to
    STATUS_DATABASE_FAILED = 4,       // a statement failed (not our table, disk full, ...)
    STATUS_INPUT_UNREADABLE = 5,      // import: a FILE cannot be read
};

}  // namespace unitlog
