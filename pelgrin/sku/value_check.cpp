#include "pelgrin/sku/value_check.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/sku/fru_field_fit.h"
#include "pelgrin/sku/mac_text.h"
#include "pelgrin/xml/xml_chardata_check.h"

namespace {

// The values that go into the FRU image as well as into mysku.xml.
const char* const FRU_VALUE_KEYWORDS[] = {"CSN", "BSN", "PSN"};

bool isMacKeyword(const char* keyword) {
    return strcmp(keyword, "MainMAC") == 0 || strcmp(keyword, "ShareMAC") == 0;
}

bool goesIntoFru(const char* keyword) {
    for (const char* fruKeyword : FRU_VALUE_KEYWORDS) {
        if (strcmp(keyword, fruKeyword) == 0)
            return true;
    }
    return false;
}

}  // namespace

int checkGivenValue(const char* keyword, const char* value) {
    if (isMacKeyword(keyword)) {
        if (isMacText(value))
            return RUN_OK;
        printf("Error! %s must be 12 hexadecimal digits\n", keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    if (!isXmlText(value)) {
        printf("Error! The %s value holds a character that mysku.xml cannot carry\n", keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    if (!goesIntoFru(keyword))
        return RUN_OK;
    char subject[32];
    snprintf(subject, sizeof subject, "The %s value", keyword);
    return checkFruText(value, subject, RUN_BAD_GIVEN_VALUE);
}
