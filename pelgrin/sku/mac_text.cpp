#include "pelgrin/sku/mac_text.h"

#include <string.h>

namespace {

char macText[18];

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool isMacText(const char* value) {
    for (int i = 0; i < 12; ++i) {
        if (!isHexDigit(value[i]))
            return false;
    }
    return value[12] == '\0';
}

const char* formatMacText(const char* mac) {
    memset(macText, 0, sizeof macText);
    for (int position = 1; position <= 17; ++position) {
        macText[position - 1] = position % 3 == 0 ? ':' : *mac++;
    }
    return macText;
}
