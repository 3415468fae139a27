#include "pelgrin/frontend/station_description.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"

namespace {

// The digits a refusal shows of each digest: enough to tell two files apart
// at a glance, short enough for one console line.
constexpr int SHOWN_DIGITS = 12;

bool readWhole(FILE* file, DescriptionBytes* description) {
    char* bytes = static_cast<char*>(malloc(DESCRIPTION_BYTES_MAX + 1));
    if (bytes == nullptr)
        return false;
    size_t got = fread(bytes, 1, DESCRIPTION_BYTES_MAX + 1, file);
    if (ferror(file) || got > DESCRIPTION_BYTES_MAX) {
        free(bytes);
        return false;
    }
    description->bytes = bytes;
    description->size = got;
    return true;
}

void digestBytes(DescriptionBytes* description) {
    Sha256 hash;
    sha256Begin(&hash);
    sha256Add(&hash, description->bytes, description->size);
    uint8_t bytes[SHA256_DIGEST_BYTES];
    sha256End(&hash, bytes);
    sha256Hex(bytes, description->digest.hex);
    description->digest.size = description->size;
    description->digest.readable = true;
}

bool isHexDigest(const char* text) {
    for (size_t i = 0; i < SHA256_HEX_CHARS; ++i) {
        char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return text[SHA256_HEX_CHARS] == '\0';
}

bool sameDigest(const char* given, const char* hex) {
    for (size_t i = 0; i < SHA256_HEX_CHARS; ++i) {
        char c = given[i] >= 'A' && given[i] <= 'F' ? static_cast<char>(given[i] + 32) : given[i];
        if (c != hex[i])
            return false;
    }
    return true;
}

}  // namespace

void readDescriptionBytes(DescriptionBytes* description) {
    description->bytes = nullptr;
    description->size = 0;
    description->digest.readable = false;
    FILE* file = fopen(SKU_FILE, "rb");
    if (file == nullptr)
        return;
    bool held = readWhole(file, description);
    fclose(file);
    if (held)
        digestBytes(description);
    else
        digestFile(SKU_FILE, &description->digest);
}

void releaseDescriptionBytes(DescriptionBytes* description) {
    free(description->bytes);
    description->bytes = nullptr;
}

int checkDescriptionDigest(const char* given, const FileDigest& digest) {
    if (given == nullptr)
        return RUN_OK;
    if (strlen(given) != SHA256_HEX_CHARS || !isHexDigest(given)) {
        printf("Error! SKUSHA256= must be %d hexadecimal digits\n",
               static_cast<int>(SHA256_HEX_CHARS));
        return RUN_BAD_GIVEN_VALUE;
    }
    if (!digest.readable) {
        printf("Error! %s cannot be read, so it cannot be the one SKUSHA256= names (%.*s...)\n",
               SKU_FILE, SHOWN_DIGITS, given);
        return RUN_SKU_DIGEST_MISMATCH;
    }
    if (sameDigest(given, digest.hex))
        return RUN_OK;
    printf("Error! %s has SHA-256 %.*s..., not the %.*s... this stick was made for\n", SKU_FILE,
           SHOWN_DIGITS, digest.hex, SHOWN_DIGITS, given);
    return RUN_SKU_DIGEST_MISMATCH;
}
