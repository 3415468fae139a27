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
};

ConsoleLines lines;

bool currentIsError() {
    size_t prefix = sizeof ERROR_PREFIX - 1;
    return lines.currentLength >= prefix && memcmp(lines.current, ERROR_PREFIX, prefix) == 0;
}

void keepCurrentIfError() {
    if (!currentIsError())
        return;
    size_t kept = lines.currentLength < LINE_KEPT ? lines.currentLength : LINE_KEPT;
    memcpy(lines.lastError, lines.current, kept);
    lines.lastError[kept] = '\0';
    lines.haveError = true;
}

}  // namespace

void noteConsoleText(const char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        char byte = text[i];
        if (byte == '\n') {
            keepCurrentIfError();
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
}

const char* lastErrorLine() {
    keepCurrentIfError();
    return lines.haveError ? lines.lastError : nullptr;
}
