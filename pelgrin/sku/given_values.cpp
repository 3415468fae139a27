#include "pelgrin/sku/given_values.h"

#include <stdio.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/sku/fru_field_fit.h"
#include "pelgrin/sku/fru_fields.h"
#include "pelgrin/sku/mac_text.h"
#include "pelgrin/sku/write_back.h"
#include "pelgrin/xml/xml_chardata_check.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool allDigitsAre(const char* mac, char digit) {
    for (int i = 0; i < 12; ++i) {
        if ((mac[i] | 0x20) != digit)
            return false;
    }
    return true;
}

// The group bit is the lowest bit of the first octet, as the address is written.
bool isGroupAddress(const char* mac) {
    return (hexValue(mac[1]) & 1) != 0;
}

int refuse(const char* format, const char* keyword, const char* value) {
    printf(format, keyword, value);
    return RUN_BAD_GIVEN_VALUE;
}

int checkMac(const char* keyword, const char* value) {
    if (!isMacText(value)) {
        printf("Error! %s must be 12 hexadecimal digits\n", keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    if (allDigitsAre(value, '0'))
        return refuse("Error! %s %s is all zeros\n", keyword, value);
    if (allDigitsAre(value, 'f'))
        return refuse("Error! %s %s is the broadcast address\n", keyword, value);
    if (isGroupAddress(value))
        return refuse("Error! %s %s is a multicast address\n", keyword, value);
    return RUN_OK;
}

bool sameMac(const char* a, const char* b) {
    for (int i = 0; i < 12; ++i) {
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    }
    return true;
}

// Two interfaces with one address would make the board unreachable on one.
int checkMacsDiffer(const SkuContext* context) {
    if (context->mainMac != nullptr && context->shareMac != nullptr &&
        sameMac(context->mainMac, context->shareMac)) {
        printf("Error! ShareMAC equals MainMAC\n");
        return RUN_BAD_GIVEN_VALUE;
    }
    return RUN_OK;
}

bool isControlCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool isUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// A control character in a label's text is a scanner's suffix or a slip of
// the keyboard: the board would carry a text no label shows. Its position
// counts characters from 1, as the operator sees them.
int checkNoControlCharacter(const char* keyword, const char* value) {
    int position = 0;
    for (const char* at = value; *at != '\0'; ++at) {
        unsigned char c = static_cast<unsigned char>(*at);
        if (!isUtf8Continuation(c))
            ++position;
        if (isControlCharacter(c)) {
            printf("Error! The %s value holds control character 0x%02X at position %d\n", keyword,
                   c, position);
            return RUN_BAD_GIVEN_VALUE;
        }
    }
    return RUN_OK;
}

}  // namespace

int checkGivenValue(const ValueKeyword& row, const char* value) {
    if (fruTakesGivenValue(row.field) || descriptionTakesGivenValue(row.field)) {
        int status = checkNoControlCharacter(row.keyword, value);
        if (status != RUN_OK)
            return status;
    }
    if (row.isMacAddress)
        return checkMac(row.keyword, value);
    if (fruTakesGivenValue(row.field)) {
        char subject[32];
        snprintf(subject, sizeof subject, "The %s value", row.keyword);
        int status = checkFruText(value, subject, RUN_BAD_GIVEN_VALUE);
        if (status != RUN_OK)
            return status;
    }
    if (descriptionTakesGivenValue(row.field) && !isXmlText(value)) {
        printf("Error! The %s value holds a character that mysku.xml cannot carry\n", row.keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    return RUN_OK;
}

int checkAnswer(const SkuContext& context, const ValueKeyword& row, const char* value) {
    // Enter alone, or a scanner that misread: no unit has an empty label.
    if (*value == '\0') {
        printf("Error! The scanned %s is empty\n", row.keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    int status = checkGivenValue(row, value);
    if (status != RUN_OK || !row.isMacAddress)
        return status;
    SkuContext withAnswer = context;
    withAnswer.*row.field = value;
    return checkMacsDiffer(&withAnswer);
}

int checkGivenValues(const SkuContext* context) {
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        const char* value = context->*row.field;
        int status = value != nullptr ? checkGivenValue(row, value) : RUN_OK;
        if (status != RUN_OK)
            return status;
    }
    return checkMacsDiffer(context);
}
