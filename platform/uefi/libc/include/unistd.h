#pragma once

#include <sys/types.h>

#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2

#ifdef __cplusplus
extern "C" {
#endif

ssize_t read(int descriptor, void* buffer, size_t size);
ssize_t write(int descriptor, const void* buffer, size_t size);
off_t lseek(int descriptor, off_t offset, int whence);
int close(int descriptor);
int unlink(const char* name);
int isatty(int descriptor);

#ifdef __cplusplus
}
#endif
