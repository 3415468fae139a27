#include "pelgrin/record/sha256.h"

#include <string.h>

namespace {

constexpr uint32_t ROUND_CONSTANTS[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t INITIAL_STATE[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint32_t rotateRight(uint32_t value, int count) {
    return (value >> count) | (value << (32 - count));
}

uint32_t bigEndianWord(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

void expandSchedule(const uint8_t* block, uint32_t schedule[64]) {
    for (int i = 0; i < 16; ++i)
        schedule[i] = bigEndianWord(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotateRight(schedule[i - 15], 7) ^ rotateRight(schedule[i - 15], 18) ^
                      (schedule[i - 15] >> 3);
        uint32_t s1 = rotateRight(schedule[i - 2], 17) ^ rotateRight(schedule[i - 2], 19) ^
                      (schedule[i - 2] >> 10);
        schedule[i] = schedule[i - 16] + s0 + schedule[i - 7] + s1;
    }
}

void compressBlock(uint32_t state[8], const uint8_t* block) {
    uint32_t schedule[64];
    expandSchedule(block, schedule);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
        uint32_t choice = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choice + ROUND_CONSTANTS[i] + schedule[i];
        uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + s0 + majority;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

}  // namespace

void sha256Begin(Sha256* hash) {
    memcpy(hash->state, INITIAL_STATE, sizeof INITIAL_STATE);
    hash->totalBytes = 0;
    hash->blockUsed = 0;
}

void sha256Add(Sha256* hash, const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    hash->totalBytes += size;
    while (size > 0) {
        size_t take = sizeof hash->block - hash->blockUsed;
        if (take > size)
            take = size;
        memcpy(hash->block + hash->blockUsed, bytes, take);
        hash->blockUsed += take;
        bytes += take;
        size -= take;
        if (hash->blockUsed == sizeof hash->block) {
            compressBlock(hash->state, hash->block);
            hash->blockUsed = 0;
        }
    }
}

void sha256End(Sha256* hash, uint8_t digest[SHA256_DIGEST_BYTES]) {
    uint64_t bitLength = hash->totalBytes * 8;
    const uint8_t marker = 0x80;
    const uint8_t zero = 0;
    sha256Add(hash, &marker, 1);
    while (hash->blockUsed != 56)
        sha256Add(hash, &zero, 1);
    uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<uint8_t>(bitLength >> (56 - 8 * i));
    sha256Add(hash, lengthBytes, sizeof lengthBytes);
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<uint8_t>(hash->state[i] >> 24);
        digest[4 * i + 1] = static_cast<uint8_t>(hash->state[i] >> 16);
        digest[4 * i + 2] = static_cast<uint8_t>(hash->state[i] >> 8);
        digest[4 * i + 3] = static_cast<uint8_t>(hash->state[i]);
    }
}

void sha256Hex(const uint8_t digest[SHA256_DIGEST_BYTES], char hex[SHA256_HEX_CHARS + 1]) {
    const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < SHA256_DIGEST_BYTES; ++i) {
        hex[2 * i] = digits[digest[i] >> 4];
        hex[2 * i + 1] = digits[digest[i] & 0xF];
    }
    hex[SHA256_HEX_CHARS] = '\0';
}
