#pragma once

#include <stddef.h>

typedef long long ssize_t;
typedef long long off_t;
typedef unsigned int mode_t;
