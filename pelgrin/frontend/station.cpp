#include "pelgrin/frontend/station.h"

#include <string.h>

#include "pelgrin/frontend/station_log.h"
#include "pelgrin/record/last_error_line.h"
#include "pelgrin/record/unit_record.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "platform/platform.h"

namespace {

// The record's time is the run's start: a sent unit's run waits 90 s for the
// BMC, and the start is what the operator saw on the station's clock.
PlatformUtcTime runStart;

}  // namespace

int beginStationRun(const RunFlags& flags, StationRun* run) {
    run->rework = false;
    run->refusedScans = 0;
    run->description = DescriptionBytes{nullptr, 0, {false, 0, {}}};
    runStart = platformUtcTime();
    forgetConsoleText();
    if (flags.logFile == nullptr)
        return RUN_OK;
    int status = checkLogWritable(flags.logFile);
    if (status == RUN_OK)
        platformSetConsoleTap(noteConsoleText);
    return status;
}

int askStationValues(RunFlags* flags, SkuContext* context, PromptAnswers* answers,
                     StationRun* run) {
    answers->refused = 0;
    if (flags->askList == nullptr || flags->helpRequested)
        return RUN_OK;
    answers->skipLineFeed = false;
    bool anyAnswered = false;
    int status = askForValues(flags->askList, context, answers, &anyAnswered);
    run->refusedScans = answers->refused;
    if (anyAnswered)
        flags->anyValueGiven = true;
    if (status == RUN_OK)
        forgetConsoleText();  // a refusal put right explains no failure after it
    return status;
}

int checkStationInputs(const RunFlags& flags, SkuContext* context, StationRun* run) {
    readDescriptionBytes(&run->description);
    context->skuXml = run->description.bytes;
    context->skuXmlSize = run->description.size;
    int status = checkDescriptionDigest(flags.skuDigest, run->description.digest);
    if (status == RUN_OK && flags.logFile != nullptr)
        status = checkIdentityNotGivenBefore(flags.logFile, *context, &run->rework);
    return status;
}

int endStationRun(const RunFlags& flags, const SkuContext& context, int status, StationRun* run) {
    platformSetConsoleTap(nullptr);
    if (flags.logFile != nullptr) {
        UnitRecord record = {};
        record.time = runStart.seconds;
        record.timeZoneKnown = runStart.zoneKnown;
        record.tool = "pelgrin";
        record.version = PELGRIN_VERSION;
        record.status = status;
        record.context = &context;
        record.imageIsThisRuns = run->outputsCleared;
        record.sentBy = run->sentBy;
        record.verification = verificationOutcome(status, run->verifyRequested);
        record.error = explainingLine();
        record.description = &run->description.digest;
        record.refusedScans = run->refusedScans;
        record.rework = run->rework;
        record.stick = flags.stickId;
        if (!appendUnitRecord(flags.logFile, record))
            status = RUN_RECORD_FAILED;
    }
    releaseDescriptionBytes(&run->description);
    return status;
}
