// Memory and string functions of the UEFI C library layer.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void* memcpy(void* destination, const void* source, size_t size);
void* memmove(void* destination, const void* source, size_t size);
void* memset(void* destination, int value, size_t size);
int memcmp(const void* left, const void* right, size_t size);
void* memchr(const void* block, int value, size_t size);

size_t strlen(const char* text);
size_t strnlen(const char* text, size_t limit);
int strcmp(const char* left, const char* right);
int strncmp(const char* left, const char* right, size_t limit);
char* strchr(const char* text, int character);
char* strrchr(const char* text, int character);
char* strstr(const char* text, const char* part);
char* strcpy(char* destination, const char* source);
char* strncpy(char* destination, const char* source, size_t limit);
char* strcat(char* destination, const char* source);
char* strncat(char* destination, const char* source, size_t limit);
char* strdup(const char* text);
char* strerror(int error);

#ifdef __cplusplus
}
#endif
