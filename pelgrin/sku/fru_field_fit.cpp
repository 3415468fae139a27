#include "pelgrin/sku/fru_field_fit.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/run/exit_status.h"

namespace {

bool fitsPackedAscii(char c) {
    return c >= 0x20 && c <= 0x5F;
}

}  // namespace

int checkFruText(const char* text, const char* subject, int refusal) {
    size_t length = strlen(text);
    if (length > FRU_MAX_TEXT) {
        printf("Error! %s is longer than %d bytes\n", subject, FRU_MAX_TEXT);
        return refusal;
    }
    if (length == 1 && !fitsPackedAscii(text[0])) {
        printf("Error! %s is one character outside 0x20-0x5F, which a FRU field cannot hold\n",
               subject);
        return refusal;
    }
    return RUN_OK;
}
