// The unit's record: one JSON line appended to the station's log per run, so
// that a shift's units can be collected from the stick and read by machine.
#pragma once

#include <stdint.h>

#include "pelgrin/record/file_digest.h"
#include "pelgrin/run/sku_context.h"

// The record's "sent": which path carried the unit's identity to the BMC.
constexpr char SENT_THROUGH_WINDOW[] = "window";
constexpr char SENT_AS_FRU[] = "fru";

struct UnitRecord {
    int64_t time;        // seconds since 1970; -1 when the clock could not be read
    bool timeZoneKnown;  // time is UTC; otherwise the clock's local time of no known zone
    const char* tool;
    const char* version;
    int status;
    const SkuContext* context;
    bool imageIsThisRuns;      // false: an SKU.BIN present is an earlier unit's, and left out
    const char* sentBy;        // SENT_THROUGH_WINDOW or SENT_AS_FRU; null: nothing sent
    const char* verification;  // "match", "mismatch", "error" or "not run"
    const char* error;         // the line explaining a non-zero status; unused for 0
    // SKU.xml as this run parsed it (not read again at the end): a stick
    // changed under the station must not be recorded as the one it used.
    const FileDigest* description;
    int refusedScans;   // scanner answers refused before the values were taken
    bool rework;        // an earlier passed unit in the log holds the same values
    const char* stick;  // STICK=: the line stick's ID, null when not given
};

// What the read-back verification came to, from the run's status and whether
// VERIFY was given: a run that ends with 0 under VERIFY has passed its
// comparison (after an upload, or against a board programmed earlier).
const char* verificationOutcome(int status, bool verifyRequested);

// Appends the record to `logFile` with one write and one close, so that a
// power cut can lose only the line being written. When the file ends in a
// partial line (an earlier cut), the record starts on a line of its own.
// False after one "Error! ..." line when the record could not be written,
// the firmware's flush and close included.
bool appendUnitRecord(const char* logFile, const UnitRecord& record);
