#include "platform/uefi/libc/format.h"

#include <stdint.h>

namespace uefilibc {
namespace {

enum Length { LENGTH_INT, LENGTH_CHAR, LENGTH_SHORT, LENGTH_LONG, LENGTH_LONG_LONG, LENGTH_SIZE };

struct Conversion {
    bool leftAlign;
    bool plusSign;
    bool spaceSign;
    bool alternate;
    bool zeroPad;
    int width;
    int precision;  // -1 when none was given
    Length length;
    char kind;
};

void emit(FormatSink* sink, char character) {
    sink->put(sink, character);
    sink->produced++;
}

void emitRepeated(FormatSink* sink, char character, int count) {
    for (int i = 0; i < count; ++i)
        emit(sink, character);
}

int readNumber(const char** cursor) {
    int value = 0;
    while (**cursor >= '0' && **cursor <= '9') {
        value = value * 10 + (**cursor - '0');
        ++*cursor;
    }
    return value;
}

void readFlags(const char** cursor, Conversion* conversion) {
    for (;; ++*cursor) {
        switch (**cursor) {
            case '-':
                conversion->leftAlign = true;
                break;
            case '+':
                conversion->plusSign = true;
                break;
            case ' ':
                conversion->spaceSign = true;
                break;
            case '#':
                conversion->alternate = true;
                break;
            case '0':
                conversion->zeroPad = true;
                break;
            default:
                return;
        }
    }
}

void readWidthAndPrecision(const char** cursor, Conversion* conversion, va_list* args) {
    if (**cursor == '*') {
        ++*cursor;
        conversion->width = va_arg(*args, int);
        if (conversion->width < 0) {
            conversion->leftAlign = true;
            conversion->width = -conversion->width;
        }
    } else {
        conversion->width = readNumber(cursor);
    }
    conversion->precision = -1;
    if (**cursor != '.')
        return;
    ++*cursor;
    if (**cursor == '*') {
        ++*cursor;
        int precision = va_arg(*args, int);
        conversion->precision = precision < 0 ? -1 : precision;
    } else {
        conversion->precision = readNumber(cursor);
    }
}

void readLength(const char** cursor, Conversion* conversion) {
    conversion->length = LENGTH_INT;
    switch (**cursor) {
        case 'h':
            ++*cursor;
            conversion->length = LENGTH_SHORT;
            if (**cursor == 'h') {
                ++*cursor;
                conversion->length = LENGTH_CHAR;
            }
            break;
        case 'l':
            ++*cursor;
            conversion->length = LENGTH_LONG;
            if (**cursor == 'l') {
                ++*cursor;
                conversion->length = LENGTH_LONG_LONG;
            }
            break;
        case 'j':
        case 'L':
        case 'q':
            ++*cursor;
            conversion->length = LENGTH_LONG_LONG;
            break;
        case 'z':
        case 't':
            ++*cursor;
            conversion->length = LENGTH_SIZE;
            break;
        default:
            break;
    }
}

int64_t signedArgument(Length length, va_list* args) {
    switch (length) {
        case LENGTH_CHAR:
            return static_cast<signed char>(va_arg(*args, int));
        case LENGTH_SHORT:
            return static_cast<short>(va_arg(*args, int));
        case LENGTH_LONG:
            return va_arg(*args, long);
        case LENGTH_LONG_LONG:
            return va_arg(*args, long long);
        case LENGTH_SIZE:
            return va_arg(*args, ptrdiff_t);
        default:
            return va_arg(*args, int);
    }
}

uint64_t unsignedArgument(Length length, va_list* args) {
    switch (length) {
        case LENGTH_CHAR:
            return static_cast<unsigned char>(va_arg(*args, unsigned));
        case LENGTH_SHORT:
            return static_cast<unsigned short>(va_arg(*args, unsigned));
        case LENGTH_LONG:
            return va_arg(*args, unsigned long);
        case LENGTH_LONG_LONG:
            return va_arg(*args, unsigned long long);
        case LENGTH_SIZE:
            return va_arg(*args, size_t);
        default:
            return va_arg(*args, unsigned);
    }
}

// Digits of `value` in `base`, most significant first; returns their count.
int toDigits(uint64_t value, unsigned base, bool upper, char* digits) {
    const char* alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    int count = 0;
    while (value != 0) {
        reversed[count++] = alphabet[value % base];
        value /= base;
    }
    for (int i = 0; i < count; ++i)
        digits[i] = reversed[count - 1 - i];
    return count;
}

struct NumberParts {
    char prefix[3];
    int prefixLength;
    char digits[24];
    int digitCount;
    int zeros;  // leading zeros the precision asks for
};

void padAndEmit(FormatSink* sink, const Conversion& conversion, const NumberParts& parts) {
    int body = parts.prefixLength + parts.zeros + parts.digitCount;
    int padding = conversion.width > body ? conversion.width - body : 0;
    bool padWithZeros = conversion.zeroPad && !conversion.leftAlign && conversion.precision < 0;
    if (!conversion.leftAlign && !padWithZeros)
        emitRepeated(sink, ' ', padding);
    for (int i = 0; i < parts.prefixLength; ++i)
        emit(sink, parts.prefix[i]);
    if (padWithZeros)
        emitRepeated(sink, '0', padding);
    emitRepeated(sink, '0', parts.zeros);
    for (int i = 0; i < parts.digitCount; ++i)
        emit(sink, parts.digits[i]);
    if (conversion.leftAlign)
        emitRepeated(sink, ' ', padding);
}

void emitInteger(FormatSink* sink, const Conversion& conversion, uint64_t magnitude,
                 bool negative) {
    NumberParts parts = {};
    unsigned base = 10;
    if (conversion.kind == 'x' || conversion.kind == 'X' || conversion.kind == 'p')
        base = 16;
    else if (conversion.kind == 'o')
        base = 8;
    parts.digitCount = toDigits(magnitude, base, conversion.kind == 'X', parts.digits);
    int precision = conversion.precision < 0 ? 1 : conversion.precision;
    if (parts.digitCount < precision)
        parts.zeros = precision - parts.digitCount;
    if (negative)
        parts.prefix[parts.prefixLength++] = '-';
    else if (conversion.plusSign)
        parts.prefix[parts.prefixLength++] = '+';
    else if (conversion.spaceSign)
        parts.prefix[parts.prefixLength++] = ' ';
    bool hexPrefix = conversion.kind == 'p' || (conversion.alternate && magnitude != 0 &&
                                                (conversion.kind == 'x' || conversion.kind == 'X'));
    if (hexPrefix) {
        parts.prefix[parts.prefixLength++] = '0';
        parts.prefix[parts.prefixLength++] = conversion.kind == 'X' ? 'X' : 'x';
    }
    if (conversion.kind == 'o' && conversion.alternate && parts.zeros == 0 &&
        (parts.digitCount == 0 || parts.digits[0] != '0'))
        parts.zeros = 1;
    padAndEmit(sink, conversion, parts);
}

void emitText(FormatSink* sink, const Conversion& conversion, const char* text) {
    if (text == nullptr)
        text = "(null)";
    int length = 0;
    while (text[length] != '\0' && (conversion.precision < 0 || length < conversion.precision))
        ++length;
    int padding = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.leftAlign)
        emitRepeated(sink, ' ', padding);
    for (int i = 0; i < length; ++i)
        emit(sink, text[i]);
    if (conversion.leftAlign)
        emitRepeated(sink, ' ', padding);
}

void emitCharacter(FormatSink* sink, const Conversion& conversion, char character) {
    int padding = conversion.width > 1 ? conversion.width - 1 : 0;
    if (!conversion.leftAlign)
        emitRepeated(sink, ' ', padding);
    emit(sink, character);
    if (conversion.leftAlign)
        emitRepeated(sink, ' ', padding);
}

void emitConversion(FormatSink* sink, Conversion conversion, va_list* args) {
    switch (conversion.kind) {
        case 'd':
        case 'i': {
            int64_t value = signedArgument(conversion.length, args);
            uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
            emitInteger(sink, conversion, magnitude, value < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            emitInteger(sink, conversion, unsignedArgument(conversion.length, args), false);
            break;
        case 'p':
            conversion.precision = -1;
            emitInteger(sink, conversion, reinterpret_cast<uintptr_t>(va_arg(*args, void*)), false);
            break;
        case 'c':
            emitCharacter(sink, conversion, static_cast<char>(va_arg(*args, int)));
            break;
        case 's':
            emitText(sink, conversion, va_arg(*args, const char*));
            break;
        case '%':
            emit(sink, '%');
            break;
        default:
            // Unknown conversions are shown as written rather than consumed.
            emit(sink, '%');
            if (conversion.kind != '\0')
                emit(sink, conversion.kind);
            break;
    }
}

struct BufferSink {
    FormatSink base;
    char* buffer;
    size_t capacity;  // characters that fit before the terminator
};

void putIntoBuffer(FormatSink* sink, char character) {
    BufferSink* bounded = reinterpret_cast<BufferSink*>(sink);
    if (bounded->base.produced < bounded->capacity)
        bounded->buffer[bounded->base.produced] = character;
}

}  // namespace

int formatText(FormatSink* sink, const char* format, va_list args) {
    va_list cursorArgs;
    va_copy(cursorArgs, args);
    size_t start = sink->produced;
    const char* cursor = format;
    while (*cursor != '\0') {
        if (*cursor != '%') {
            emit(sink, *cursor++);
            continue;
        }
        ++cursor;
        Conversion conversion = {};
        readFlags(&cursor, &conversion);
        readWidthAndPrecision(&cursor, &conversion, &cursorArgs);
        readLength(&cursor, &conversion);
        conversion.kind = *cursor;
        if (*cursor != '\0')
            ++cursor;
        emitConversion(sink, conversion, &cursorArgs);
    }
    va_end(cursorArgs);
    return static_cast<int>(sink->produced - start);
}

int formatToBuffer(char* buffer, size_t size, const char* format, va_list args) {
    BufferSink sink = {{putIntoBuffer, 0}, buffer, size > 0 ? size - 1 : 0};
    int length = formatText(&sink.base, format, args);
    if (size > 0)
        buffer[sink.base.produced < sink.capacity ? sink.base.produced : sink.capacity] = '\0';
    return length;
}

}  // namespace uefilibc
