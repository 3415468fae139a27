#include "pelgrin/frontend/station_log.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "pelgrin/record/identity_check.h"
#include "pelgrin/run/exit_status.h"
#include "platform/platform.h"

namespace {

int refuseLog(const char* logFile, const char* reason) {
    printf("Error! The unit's record cannot be written to %s: %s\n", logFile, reason);
    return RUN_RECORD_FAILED;
}

const char* earlierTime(const LoggedUnit& earlier) {
    return earlier.time.given ? earlier.time.text : "an unknown time";
}

void printConflict(const IdentityConflict& conflict, const char* value) {
    const LoggedUnit& earlier = conflict.earlier;
    const char* keyword = IDENTITY_KEYWORDS[conflict.held];
    const LoggedText& earlierBsn = earlier.values[ID_BSN];
    if (conflict.held != ID_BSN && earlierBsn.given)
        printf("Error! %s %s was given at %s to the unit with BSN %s\n", keyword, value,
               earlierTime(earlier), earlierBsn.text);
    else
        printf("Error! %s %s was given at %s to a unit with another %s\n", keyword, value,
               earlierTime(earlier), IDENTITY_KEYWORDS[conflict.differs]);
}

}  // namespace

int checkLogWritable(const char* logFile) {
    FILE* file = fopen(logFile, "a");
    if (file == nullptr)
        return refuseLog(logFile, strerror(errno));
    if (fclose(file) != 0)
        return refuseLog(logFile, strerror(errno));
    uint64_t freeBytes = 0;
    if (!platformVolumeFreeBytes(logFile, &freeBytes))
        return refuseLog(logFile, "its volume does not say how much room it has");
    if (freeBytes < LOG_VOLUME_MIN_FREE) {
        printf("Error! The unit's record cannot be written to %s: %llu bytes free, %llu needed\n",
               logFile, static_cast<unsigned long long>(freeBytes),
               static_cast<unsigned long long>(LOG_VOLUME_MIN_FREE));
        return RUN_RECORD_FAILED;
    }
    return RUN_OK;
}

int checkIdentityNotGivenBefore(const char* logFile, const SkuContext& context, bool* rework) {
    IdentityConflict conflict;
    switch (checkIdentityAgainstLog(logFile, context, &conflict)) {
        case IDENTITY_NEW:
            return RUN_OK;
        case IDENTITY_REWORK:
            *rework = true;
            return RUN_OK;
        case IDENTITY_CONFLICT: {
            const char* values[ID_KEYWORD_COUNT];
            identityValues(context, values);
            printConflict(conflict, values[conflict.held]);
            return RUN_IDENTITY_GIVEN_BEFORE;
        }
        default:
            printf("Error! %s cannot be read to look for this unit's values\n", logFile);
            return RUN_RECORD_FAILED;
    }
}
