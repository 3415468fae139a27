// What a production station adds around a run: the scanner prompts before it,
// the checks that bind the unit to its log and its stick, and the unit's
// record after it.
#pragma once

#include "pelgrin/frontend/keywords.h"
#include "pelgrin/frontend/prompts.h"
#include "pelgrin/frontend/station_description.h"
#include "pelgrin/run/sku_context.h"

// What the record needs to know of how far the run came.
struct StationRun {
    bool outputsCleared;  // an SKU.BIN present now was written by this run
    const char* sentBy;   // SENT_THROUGH_WINDOW, SENT_AS_FRU, or null: nothing sent
    bool verifyRequested;
    bool rework;                   // an earlier passed unit had the same values
    int refusedScans;              // scanner answers refused on the way
    DescriptionBytes description;  // SKU.xml as parsed
};

// Right after the keyword scan: with LOG=, the run's explaining line is
// watched from here on (the banner before it holds none), and the log is
// checked for room before the operator scans anything. 0, or 14 with nothing
// changed.
int beginStationRun(const RunFlags& flags, StationRun* run);

// ASK=: prompts for the listed values the command line did not give. 0 when
// there is no list or every value was taken; refusals the operator put right
// are counted rather than left as the run's explanation.
int askStationValues(RunFlags* flags, SkuContext* context, PromptAnswers* answers, StationRun* run);

// Once the values are accepted, before any output changes: reads SKU.xml for
// the run to parse (SKUSHA256= checked, 15), and with LOG= refuses values an
// earlier unit was given (12).
int checkStationInputs(const RunFlags& flags, SkuContext* context, StationRun* run);

// LOG=: appends the unit's record. The run's status comes back unchanged, or
// 14 when the record could not be written: a unit without its record fails.
int endStationRun(const RunFlags& flags, const SkuContext& context, int status, StationRun* run);
