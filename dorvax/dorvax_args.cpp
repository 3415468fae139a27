#include "dorvax/dorvax_args.h"

#include <string.h>

namespace {

const char* const DELAY_KEYWORDS[] = {"-delay", "-DELAY", "delay", "DELAY"};

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool isDelayKeyword(const char* word) {
    for (const char* keyword : DELAY_KEYWORDS) {
        if (strcmp(word, keyword) == 0)
            return true;
    }
    return false;
}

uint16_t parseDelayValue(const char* text) {
    if (text[0] == '0' && text[1] == 'x')
        text += 2;
    uint16_t value = 0;
    for (; *text != '\0'; ++text) {
        int digit = hexDigitValue(*text);
        value = static_cast<uint16_t>(value * 16 + (digit < 0 ? 0 : digit));
    }
    return value;
}

int scanDelayOptions(int argc, char** argv, uint16_t* delayMs) {
    int optionWords = 0;
    for (int i = 1; i < argc - 1; ++i) {
        if (isDelayKeyword(argv[i])) {
            optionWords += 2;
            *delayMs = parseDelayValue(argv[i + 1]);
        }
    }
    return optionWords;
}

bool readRequestBytes(char** words, int count, uint8_t* request) {
    for (int i = 0; i < count; ++i) {
        int high = hexDigitValue(words[i][0]);
        int low = high < 0 ? -1 : hexDigitValue(words[i][1]);
        if (low < 0)
            return false;
        request[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}
