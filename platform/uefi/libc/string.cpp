// Memory and string functions. Built with -fno-builtin so the compiler does
// not turn these loops back into calls to themselves.
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

int lowerCase(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
}

}  // namespace

extern "C" {

void* memcpy(void* destination, const void* source, size_t size) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    for (size_t i = 0; i < size; ++i)
        to[i] = from[i];
    return destination;
}

void* memmove(void* destination, const void* source, size_t size) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    if (to <= from || to >= from + size)
        return memcpy(destination, source, size);
    for (size_t i = size; i > 0; --i)
        to[i - 1] = from[i - 1];
    return destination;
}

void* memset(void* destination, int value, size_t size) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    for (size_t i = 0; i < size; ++i)
        to[i] = static_cast<unsigned char>(value);
    return destination;
}

int memcmp(const void* left, const void* right, size_t size) {
    const unsigned char* a = static_cast<const unsigned char*>(left);
    const unsigned char* b = static_cast<const unsigned char*>(right);
    for (size_t i = 0; i < size; ++i) {
        if (a[i] != b[i])
            return a[i] - b[i];
    }
    return 0;
}

void* memchr(const void* block, int value, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == static_cast<unsigned char>(value))
            return const_cast<unsigned char*>(bytes + i);
    }
    return nullptr;
}

size_t strlen(const char* text) {
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

size_t strnlen(const char* text, size_t limit) {
    size_t length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    return length;
}

int strcmp(const char* left, const char* right) {
    return strncmp(left, right, SIZE_MAX);
}

int strncmp(const char* left, const char* right, size_t limit) {
    for (size_t i = 0; i < limit; ++i) {
        unsigned char a = static_cast<unsigned char>(left[i]);
        unsigned char b = static_cast<unsigned char>(right[i]);
        if (a != b || a == '\0')
            return a - b;
    }
    return 0;
}

int strcasecmp(const char* left, const char* right) {
    return strncasecmp(left, right, SIZE_MAX);
}

int strncasecmp(const char* left, const char* right, size_t limit) {
    for (size_t i = 0; i < limit; ++i) {
        int a = lowerCase(static_cast<unsigned char>(left[i]));
        int b = lowerCase(static_cast<unsigned char>(right[i]));
        if (a != b || a == '\0')
            return a - b;
    }
    return 0;
}

char* strchr(const char* text, int character) {
    for (;; ++text) {
        if (*text == static_cast<char>(character))
            return const_cast<char*>(text);
        if (*text == '\0')
            return nullptr;
    }
}

char* strrchr(const char* text, int character) {
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(character))
            found = text;
        if (*text == '\0')
            return const_cast<char*>(found);
    }
}

char* strstr(const char* text, const char* part) {
    size_t partLength = strlen(part);
    for (; *text != '\0' || partLength == 0; ++text) {
        if (strncmp(text, part, partLength) == 0)
            return const_cast<char*>(text);
    }
    return nullptr;
}

char* strcpy(char* destination, const char* source) {
    return static_cast<char*>(memcpy(destination, source, strlen(source) + 1));
}

char* strncpy(char* destination, const char* source, size_t limit) {
    size_t length = strnlen(source, limit);
    memcpy(destination, source, length);
    memset(destination + length, 0, limit - length);
    return destination;
}

char* strcat(char* destination, const char* source) {
    strcpy(destination + strlen(destination), source);
    return destination;
}

char* strncat(char* destination, const char* source, size_t limit) {
    char* end = destination + strlen(destination);
    size_t length = strnlen(source, limit);
    memcpy(end, source, length);
    end[length] = '\0';
    return destination;
}

char* strdup(const char* text) {
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    return copy != nullptr ? static_cast<char*>(memcpy(copy, text, size)) : nullptr;
}

char* strerror(int error) {
    const char* text;
    switch (error) {
        case 0:
            text = "Success";
            break;
        case ENOENT:
            text = "No such file or directory";
            break;
        case EACCES:
            text = "Permission denied";
            break;
        case ENOMEM:
            text = "Out of memory";
            break;
        case ENOSPC:
            text = "No space left on device";
            break;
        case EROFS:
            text = "Read-only file system";
            break;
        case EINVAL:
            text = "Invalid argument";
            break;
        default:
            text = "Input/output error";
            break;
    }
    return const_cast<char*>(text);
}

}  // extern "C"
