// A file's SHA-256 and size, read in small pieces so that no copy of the
// file is held.
#pragma once

#include <stdint.h>

#include "pelgrin/record/sha256.h"

struct FileDigest {
    bool readable;  // false: missing or unreadable, the rest is unset
    uint64_t size;
    char hex[SHA256_HEX_CHARS + 1];
};

void digestFile(const char* name, FileDigest* digest);
