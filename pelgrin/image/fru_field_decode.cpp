// Unpacks a FRU field's data into text for people.
#include "pelgrin/image/fru_reader.h"

namespace {

const char HEX_DIGITS[] = "0123456789ABCDEF";
// BCD plus: 0-9, then space, dash and period; 0xD-0xF are reserved.
const char BCD_PLUS_DIGITS[] = "0123456789 -.???";
const uint8_t SIXBIT_BASE = 0x20;

struct TextOut {
    char* text;
    size_t capacity;
    size_t length;
};

void append(TextOut* out, char c) {
    if (out->length + 1 < out->capacity)
        out->text[out->length++] = c;
}

void appendHex(TextOut* out, uint8_t byte) {
    append(out, HEX_DIGITS[byte >> 4]);
    append(out, HEX_DIGITS[byte & 0x0F]);
}

void putLatin1(TextOut* out, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (data[i] >= 0x20 && data[i] <= 0x7E) {
            append(out, static_cast<char>(data[i]));
            continue;
        }
        append(out, '\\');
        append(out, 'x');
        appendHex(out, data[i]);
    }
}

// Characters are packed from the least significant bit of the first byte up.
void putSixBit(TextOut* out, const uint8_t* data, size_t length) {
    size_t characters = length * 8 / 6;
    for (size_t i = 0; i < characters; ++i) {
        size_t bit = i * 6;
        size_t byte = bit / 8;
        size_t shift = bit % 8;
        unsigned value = data[byte] >> shift;
        if (shift > 2 && byte + 1 < length)
            value |= static_cast<unsigned>(data[byte + 1]) << (8 - shift);
        append(out, static_cast<char>((value & 0x3F) + SIXBIT_BASE));
    }
}

void putBcdPlus(TextOut* out, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        append(out, BCD_PLUS_DIGITS[data[i] >> 4]);
        append(out, BCD_PLUS_DIGITS[data[i] & 0x0F]);
    }
}

void putBinary(TextOut* out, const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (i > 0)
            append(out, ' ');
        appendHex(out, data[i]);
    }
}

}  // namespace

size_t fruFieldText(const uint8_t* bytes, size_t size, const FruFieldView* field, char* text,
                    size_t capacity) {
    if (text == nullptr || capacity == 0)
        return 0;
    TextOut out = {text, capacity, 0};
    bool inside = bytes != nullptr && field->offset < size && field->length < size - field->offset;
    if (inside) {
        const uint8_t* data = bytes + field->offset + 1;
        if (field->type == FRU_FIELD_TEXT)
            putLatin1(&out, data, field->length);
        else if (field->type == FRU_FIELD_SIXBIT_ASCII)
            putSixBit(&out, data, field->length);
        else if (field->type == FRU_FIELD_BCD_PLUS)
            putBcdPlus(&out, data, field->length);
        else
            putBinary(&out, data, field->length);
    }
    text[out.length] = '\0';
    return out.length;
}
