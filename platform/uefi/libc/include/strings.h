#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int strcasecmp(const char* left, const char* right);
int strncasecmp(const char* left, const char* right, size_t limit);

#ifdef __cplusplus
}
#endif
