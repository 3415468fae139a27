// SKU.xml read once, whole, so that the digest the stick is checked against
// and the record names is the digest of the very bytes the run parses.
#pragma once

#include <stdint.h>

#include "pelgrin/record/file_digest.h"

// Larger than the parser takes: such a file is parsed (and refused) from the
// file, and only digested here.
constexpr uint64_t DESCRIPTION_BYTES_MAX = 1024 * 1024;

struct DescriptionBytes {
    char* bytes;  // null: missing, unreadable or too large to hold
    uint64_t size;
    FileDigest digest;  // readable false when the file could not be read
};

void readDescriptionBytes(DescriptionBytes* description);
void releaseDescriptionBytes(DescriptionBytes* description);

// SKUSHA256=: 0 when `given` is null or names `digest`; 3 for a word that is
// not 64 hexadecimal digits; 15 for another SKU.xml. One "Error!" line each.
int checkDescriptionDigest(const char* given, const FileDigest& digest);
