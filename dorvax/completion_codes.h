// The IPMI completion codes that the raw request tool names.
#pragma once

#include <stdint.h>

#define COMPLETION_CODE_ROWS 24
#define COMPLETION_TEXT_FIELD 60

struct CompletionCodeRow {
    uint32_t code;
    char text[COMPLETION_TEXT_FIELD];
};

extern const CompletionCodeRow completionCodeTable[COMPLETION_CODE_ROWS];

// The row's text for `code`, searched from the first row; for a code that no
// row holds, the IPMI class of the code.
const char* completionCodeText(uint32_t code);
