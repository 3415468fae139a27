#pragma once

#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

ssize_t read(int descriptor, void* buffer, size_t size);
ssize_t write(int descriptor, const void* buffer, size_t size);
off_t lseek(int descriptor, off_t offset, int whence);
int close(int descriptor);
int unlink(const char* name);

#ifdef __cplusplus
}
#endif
