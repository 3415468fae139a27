// Memory, number conversion and process exit of the UEFI C library layer.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define EXIT_SUCCESS 0
#define EXIT_FAILURE 1

void* malloc(size_t size);
void* calloc(size_t count, size_t size);
void* realloc(void* block, size_t size);
void free(void* block);

long strtol(const char* text, char** end, int base);
unsigned long strtoul(const char* text, char** end, int base);
long long strtoll(const char* text, char** end, int base);
unsigned long long strtoull(const char* text, char** end, int base);
int atoi(const char* text);
long atol(const char* text);
int abs(int value);
long labs(long value);

// The shell's environment is not offered to programs: always null.
char* getenv(const char* name);

// Fills `buffer` with bytes that are hard to predict (hash salts, not keys).
void arc4random_buf(void* buffer, size_t size);

__attribute__((noreturn)) void exit(int status);
__attribute__((noreturn)) void abort(void);

#ifdef __cplusplus
}
#endif
