#include "pelgrin/record/last_error_line.h"

#include <string.h>

namespace {

constexpr size_t LINE_KEPT = 160;
const char ERROR_PREFIX[] = "Error!";

struct ConsoleLines {
    char current[LINE_KEPT + 1];
    size_t currentLength;  // may pass LINE_KEPT: only the start is kept
    char lastError[LINE_KEPT + 1];
    bool haveError;
    char lastWritten[LINE_KEPT + 1];  // the last line with more than blanks
    bool haveWritten;
};

ConsoleLines lines;

bool currentIsError() {
    size_t prefix = sizeof ERROR_PREFIX - 1;
    return lines.currentLength >= prefix && memcmp(lines.current, ERROR_PREFIX, prefix) == 0;
}

bool currentIsBlank() {
    size_t kept = lines.currentLength < LINE_KEPT ? lines.currentLength : LINE_KEPT;
    for (size_t i = 0; i < kept; ++i) {
        if (lines.current[i] != ' ' && lines.current[i] != '\t')
            return false;
    }
    return true;
}

void keepCurrent(char* place, bool* kept) {
    size_t length = lines.currentLength < LINE_KEPT ? lines.currentLength : LINE_KEPT;
    memcpy(place, lines.current, length);
    place[length] = '\0';
    *kept = true;
}

void keepCurrentLine() {
    if (currentIsBlank())
        return;
    keepCurrent(lines.lastWritten, &lines.haveWritten);
    if (currentIsError())
        keepCurrent(lines.lastError, &lines.haveError);
}

}  // namespace

void noteConsoleText(const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        char byte = text[i];
        if (byte == '\n') {
            keepCurrentLine();
            lines.currentLength = 0;
        } else if (byte != '\r') {
            if (lines.currentLength < LINE_KEPT)
                lines.current[lines.currentLength] = byte;
            ++lines.currentLength;
        }
    }
}

void forgetConsoleText() {
    lines.currentLength = 0;
    lines.haveError = false;
    lines.haveWritten = false;
}

const char* explainingLine() {
    keepCurrentLine();
    lines.currentLength = 0;
    if (lines.haveError)
        return lines.lastError;
    return lines.haveWritten ? lines.lastWritten : nullptr;
}
