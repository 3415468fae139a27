// What a production station adds around a run: the scanner prompts before it
// and the unit's record after it.
#pragma once

#include "pelgrin/frontend/keywords.h"
#include "pelgrin/frontend/prompts.h"
#include "pelgrin/run/sku_context.h"

// Right after the keyword scan: with LOG=, the run's last error line is
// watched from here on (the banner before it holds none).
void beginStationRun(const RunFlags& flags);

// ASK=: prompts for the listed values the command line did not give. 0 when
// there is no list or every value was taken.
int askStationValues(RunFlags* flags, SkuContext* context, PromptAnswers* answers);

// What the record needs to know of how far the run came.
struct StationRun {
    bool outputsCleared;  // an SKU.BIN present now was written by this run
    const char* sentBy;   // SENT_THROUGH_WINDOW, SENT_AS_FRU, or null: nothing sent
    bool verifyRequested;
};

// LOG=: appends the unit's record; the run's status is returned unchanged,
// whether or not the record could be written.
int endStationRun(const RunFlags& flags, const SkuContext& context, int status,
                  const StationRun& run);
