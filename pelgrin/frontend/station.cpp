#include "pelgrin/frontend/station.h"

#include <string.h>

#include "pelgrin/record/last_error_line.h"
#include "pelgrin/record/unit_record.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "platform/platform.h"

namespace {

// The record's time is the run's start: a sent unit's run waits 90 s for the
// BMC, and the start is what the operator saw on the station's clock.
int64_t runStart;

}  // namespace

void beginStationRun(const RunFlags& flags) {
    runStart = platformTime();
    forgetConsoleText();
    if (flags.logFile != nullptr)
        platformSetConsoleTap(noteConsoleText);
}

int askStationValues(RunFlags* flags, SkuContext* context, PromptAnswers* answers) {
    if (flags->askList == nullptr || flags->helpRequested)
        return RUN_OK;
    answers->skipLineFeed = false;
    bool anyAnswered = false;
    int status = askForValues(flags->askList, context, answers, &anyAnswered);
    if (anyAnswered)
        flags->anyValueGiven = true;
    return status;
}

int endStationRun(const RunFlags& flags, const SkuContext& context, int status,
                  const StationRun& run) {
    platformSetConsoleTap(nullptr);
    if (flags.logFile == nullptr)
        return status;
    UnitRecord record = {runStart,        "pelgrin",
                         PELGRIN_VERSION, status,
                         &context,        run.outputsCleared,
                         run.sentBy,      verificationOutcome(status, run.verifyRequested),
                         lastErrorLine()};
    appendUnitRecord(flags.logFile, record);
    return status;
}
