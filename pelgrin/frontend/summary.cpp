#include "pelgrin/frontend/summary.h"

#include <stdio.h>

#include "pelgrin/run/value_keywords.h"
#include "pelgrin/sku/mac_text.h"

void printSummary(const SkuContext* context) {
    printf("              Board ID     : %s\n", context->boardId);
    printf("             Rand Code     : %s\n", context->randCode);
    // formatMacText shares one buffer: print each line before the next call.
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        const char* value = context->*row.field;
        if (row.isMacAddress && value != nullptr)
            printf(row.summaryFormat, formatMacText(value));
    }
    printf("\n");
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        const char* value = context->*row.field;
        if (!row.isMacAddress && row.summaryFormat != nullptr && value != nullptr)
            printf(row.summaryFormat, value);
    }
}
