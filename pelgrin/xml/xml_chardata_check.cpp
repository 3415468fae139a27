#include "pelgrin/xml/xml_chardata_check.h"

#include <stdint.h>

namespace {

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

bool isAllowedControl(uint32_t c) {
    return c == 0x09 || c == 0x0A || c == 0x0D;
}

// Decodes one UTF-8 sequence at `text`; 0 when it is malformed.
int decode(const uint8_t* text, uint32_t* codePoint) {
    uint8_t lead = text[0];
    int length = lead < 0x80             ? 1
                 : (lead & 0xE0) == 0xC0 ? 2
                 : (lead & 0xF0) == 0xE0 ? 3
                 : (lead & 0xF8) == 0xF0 ? 4
                                         : 0;
    if (length == 0)
        return 0;
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(text[i]))
            return 0;
        c = (c << 6) | (text[i] & 0x3F);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *codePoint = c;
    return length;
}

bool isXmlCharacter(uint32_t c) {
    if (c < 0x20)
        return isAllowedControl(c);
    return c != 0xFFFE && c != 0xFFFF;
}

}  // namespace

bool isXmlText(const char* text) {
    const uint8_t* at = reinterpret_cast<const uint8_t*>(text);
    while (*at != 0) {
        uint32_t c = 0;
        int length = decode(at, &c);
        if (length == 0 || !isXmlCharacter(c))
            return false;
        at += length;
    }
    return true;
}
