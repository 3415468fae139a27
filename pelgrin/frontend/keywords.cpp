#include "pelgrin/frontend/keywords.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/value_keywords.h"
#include "pelgrin/sku/mac_text.h"

namespace {

const char DISABLE_SHARED_MEMORY_WORD[] = "DSBSHM";
const char HELP_WORD[] = "help";
const char VERIFY_WORD[] = "VERIFY";

bool beginsWith(const char* word, const char* keyword) {
    return strncmp(word, keyword, strlen(keyword)) == 0;
}

const ValueKeyword* findValueKeyword(const char* word) {
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        if (beginsWith(word, row.keyword))
            return &row;
    }
    return nullptr;
}

void setValue(SkuContext* context, const ValueKeyword& row, const char* word, RunFlags* flags) {
    size_t length = strlen(row.keyword);
    // A bare keyword has no separator and no value behind it: ignored like an
    // unknown word. Whatever character stands as the separator is skipped.
    if (word[length] == '\0')
        return;
    context->*row.field = word + length + 1;
    flags->anyValueGiven = true;
}

int refuseMac(const char* name) {
    printf("Error! %s must be 12 hexadecimal digits\n", name);
    return RUN_BAD_GIVEN_VALUE;
}

}  // namespace

void scanKeywords(int argc, char** argv, SkuContext* context, RunFlags* flags) {
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        // Value keywords are tried first, in their table's order.
        if (const ValueKeyword* row = findValueKeyword(word)) {
            setValue(context, *row, word, flags);
        } else if (beginsWith(word, DISABLE_SHARED_MEMORY_WORD)) {
            flags->writeToSharedMemory = false;
        } else if (strcmp(word, VERIFY_WORD) == 0) {
            flags->verify = true;
        } else if (beginsWith(word, HELP_WORD)) {
            flags->helpRequested = true;
            return;
        }
    }
}

int checkMacValues(const SkuContext* context) {
    if (context->mainMac != nullptr && !isMacText(context->mainMac))
        return refuseMac("MainMAC");
    if (context->shareMac != nullptr && !isMacText(context->shareMac))
        return refuseMac("ShareMAC");
    return RUN_OK;
}
