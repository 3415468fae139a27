#include "platform/uefi/arguments.h"

#include <stdlib.h>

#include "platform/uefi/libc/utf.h"

char** narrowArguments(const uint16_t* const* words, int count) {
    size_t pointerBytes = (static_cast<size_t>(count) + 1) * sizeof(char*);
    size_t textBytes = 0;
    for (int i = 0; i < count; ++i)
        textBytes += uefilibc::utf16ToUtf8(words[i], nullptr, 0) + 1;
    char** argv = static_cast<char**>(malloc(pointerBytes + textBytes));
    if (argv == nullptr)
        return nullptr;
    char* text = reinterpret_cast<char*>(argv) + pointerBytes;
    for (int i = 0; i < count; ++i) {
        size_t size = uefilibc::utf16ToUtf8(words[i], nullptr, 0) + 1;
        uefilibc::utf16ToUtf8(words[i], text, size);
        argv[i] = text;
        text += size;
    }
    argv[count] = nullptr;
    return argv;
}
