#pragma once

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((noreturn)) void velskuAssertFailed(const char* expression, const char* file,
                                                  int line);

#ifdef __cplusplus
}
#endif

#undef assert
#ifdef NDEBUG
#define assert(expression) ((void)0)
#else
#define assert(expression) \
    ((expression) ? (void)0 : velskuAssertFailed(#expression, __FILE__, __LINE__))
#endif
