// SHA-256 (FIPS 180-4) in a few hundred bytes of code: the firmware has no
// library to lend us one, and a station compares these digests with
// sha256sum on its own machine.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t SHA256_DIGEST_BYTES = 32;
constexpr size_t SHA256_HEX_CHARS = 2 * SHA256_DIGEST_BYTES;

struct Sha256 {
    uint32_t state[8];
    uint64_t totalBytes;
    uint8_t block[64];
    size_t blockUsed;
};

void sha256Begin(Sha256* hash);
void sha256Add(Sha256* hash, const void* data, size_t size);
void sha256End(Sha256* hash, uint8_t digest[SHA256_DIGEST_BYTES]);

// The digest as sha256sum prints it: 64 lower-case digits and a NUL.
void sha256Hex(const uint8_t digest[SHA256_DIGEST_BYTES], char hex[SHA256_HEX_CHARS + 1]);
