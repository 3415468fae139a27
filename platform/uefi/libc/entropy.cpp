// Unpredictable bytes for expat's hash salt. Firmware offers no entropy
// source we can count on, so RDRAND is used when the processor has it and
// the time-stamp counter mixed with the wall clock otherwise.
#include <stdint.h>
#include <stdlib.h>
#include <time.h>

namespace {

bool hasRdrand() {
    uint32_t eax = 1, ebx, ecx, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "=c"(ecx), "=d"(edx));
    return (ecx & (1u << 30)) != 0;
}

bool rdrand(uint64_t* value) {
    unsigned char ok;
    __asm__ volatile("rdrand %0; setc %1" : "=r"(*value), "=qm"(ok));
    return ok != 0;
}

uint64_t timestampCounter() {
    uint32_t low, high;
    __asm__ volatile("rdtsc" : "=a"(low), "=d"(high));
    return (static_cast<uint64_t>(high) << 32) | low;
}

// splitmix64: spreads the few changing bits of the counter over the word.
uint64_t mix(uint64_t* state) {
    uint64_t z = (*state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t nextWord(bool useRdrand, uint64_t* state) {
    uint64_t value;
    if (useRdrand && rdrand(&value))
        return value;
    *state ^= timestampCounter();
    return mix(state);
}

}  // namespace

extern "C" void arc4random_buf(void* buffer, size_t size) {
    bool useRdrand = hasRdrand();
    uint64_t state = timestampCounter() ^ static_cast<uint64_t>(time(nullptr));
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    for (size_t offset = 0; offset < size; offset += 8) {
        uint64_t word = nextWord(useRdrand, &state);
        for (size_t i = 0; i < 8 && offset + i < size; ++i)
            bytes[offset + i] = static_cast<unsigned char>(word >> (8 * i));
    }
}
