#include "pelgrin/record/file_digest.h"

#include <stdio.h>

void digestFile(const char* name, FileDigest* digest) {
    digest->readable = false;
    FILE* file = fopen(name, "rb");
    if (file == nullptr)
        return;
    Sha256 hash;
    sha256Begin(&hash);
    uint8_t piece[1024];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, file)) > 0)
        sha256Add(&hash, piece, got);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed)
        return;
    digest->size = hash.totalBytes;  // before the padding counts in
    uint8_t bytes[SHA256_DIGEST_BYTES];
    sha256End(&hash, bytes);
    sha256Hex(bytes, digest->hex);
    digest->readable = true;
}
