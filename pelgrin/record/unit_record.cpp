#include "pelgrin/record/unit_record.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "pelgrin/record/file_digest.h"
#include "pelgrin/record/json_line.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/run/value_keywords.h"

namespace {

void putTime(JsonLine* line, int64_t seconds, bool zoneKnown) {
    jsonKey(line, "time");
    struct tm calendar;
    time_t value = static_cast<time_t>(seconds);
    if (seconds < 0 || gmtime_r(&value, &calendar) == nullptr) {
        jsonRaw(line, "null");
        return;
    }
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%s", calendar.tm_year + 1900,
             calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour, calendar.tm_min,
             calendar.tm_sec, zoneKnown ? "Z" : "");
    jsonString(line, text);
}

void putValues(JsonLine* line, const SkuContext& context) {
    jsonKey(line, "values");
    jsonBeginObject(line);
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        if (context.*row.field == nullptr)
            continue;
        jsonKey(line, row.keyword);
        jsonString(line, context.*row.field);
    }
    jsonEndObject(line);
}

void putFile(JsonLine* line, const char* name, const FileDigest& digest) {
    jsonKey(line, name);
    if (!digest.readable) {
        jsonRaw(line, "null");
        return;
    }
    jsonBeginObject(line);
    jsonKey(line, "sha256");
    jsonString(line, digest.hex);
    jsonKey(line, "size");
    jsonInteger(line, static_cast<int64_t>(digest.size));
    jsonEndObject(line);
}

void putOptionalString(JsonLine* line, const char* key, const char* value) {
    jsonKey(line, key);
    if (value == nullptr || value[0] == '\0')
        jsonRaw(line, "null");
    else
        jsonString(line, value);
}

void buildLine(JsonLine* line, const UnitRecord& record, const FileDigest& image) {
    FileDigest unread;
    unread.readable = false;
    jsonBeginObject(line);
    putTime(line, record.time, record.timeZoneKnown);
    putOptionalString(line, "time_zone", record.timeZoneKnown ? "UTC" : "unspecified");
    putOptionalString(line, "tool", record.tool);
    putOptionalString(line, "version", record.version);
    jsonKey(line, "status");
    jsonInteger(line, record.status);
    putValues(line, *record.context);
    putOptionalString(line, "Board ID", record.context->boardId);
    putFile(line, SKU_FILE, record.description != nullptr ? *record.description : unread);
    putFile(line, IMAGE_FILE, image);
    jsonKey(line, "sent");
    if (record.sentBy != nullptr)
        jsonString(line, record.sentBy);
    else
        jsonRaw(line, "false");
    putOptionalString(line, "verification", record.verification);
    putOptionalString(line, "error", record.status != RUN_OK ? record.error : nullptr);
    jsonKey(line, "refused_scans");
    jsonInteger(line, record.refusedScans);
    jsonKey(line, "rework");
    jsonRaw(line, record.rework ? "true" : "false");
    putOptionalString(line, "stick", record.stick);
    jsonEndObject(line);
    jsonRaw(line, "\n");
}

bool endsInPartialLine(FILE* file) {
    if (fseek(file, -1, SEEK_END) != 0)
        return false;  // empty
    bool partial = fgetc(file) != '\n';
    fseek(file, 0, SEEK_END);  // reading and writing change hands only at a seek
    return partial;
}

bool writeLine(const char* logFile, const char* text, size_t length) {
    FILE* file = fopen(logFile, "a+");
    if (file == nullptr)
        return false;
    // Unbuffered, the line goes out in one write however long it is; a
    // buffered stream would cut a line longer than its buffer in two.
    setvbuf(file, nullptr, _IONBF, 0);
    const char* start = text;
    size_t size = length;
    if (!endsInPartialLine(file)) {
        ++start;  // the line break kept in front for this case
        --size;
    }
    bool written = fwrite(start, 1, size, file) == size && fflush(file) == 0;
    return fclose(file) == 0 && written;
}

}  // namespace

const char* verificationOutcome(int status, bool verifyRequested) {
    if (status == RUN_VERIFY_MISMATCH)
        return "mismatch";
    if (status == RUN_VERIFY_UNREADABLE)
        return "error";
    return status == RUN_OK && verifyRequested ? "match" : "not run";
}

bool appendUnitRecord(const char* logFile, const UnitRecord& record) {
    FileDigest image;
    image.readable = false;
    if (record.imageIsThisRuns)
        digestFile(IMAGE_FILE, &image);
    JsonLine counting = {nullptr, 0, false};
    buildLine(&counting, record, image);
    // One byte in front for the line break that ends a partial earlier line.
    char* text = static_cast<char*>(malloc(counting.length + 1));
    bool written = false;
    if (text != nullptr) {
        text[0] = '\n';
        JsonLine line = {text + 1, 0, false};
        buildLine(&line, record, image);
        written = writeLine(logFile, text, line.length + 1);
        free(text);
    }
    if (!written)
        printf("Error! The unit's record could not be written to %s\n", logFile);
    return written;
}
