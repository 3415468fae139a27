#include <errno.h>

extern "C" int errno = 0;
