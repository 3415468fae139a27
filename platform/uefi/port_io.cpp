#include "platform/platform.h"

uint8_t platformPortRead8(uint16_t port) {
    uint8_t value;
    __asm__ volatile("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

void platformPortWrite8(uint16_t port, uint8_t value) {
    __asm__ volatile("outb %0, %1" : : "a"(value), "Nd"(port));
}

// Boot services run no operating-system driver: the ports are ours.
bool platformIpmiDriverRequest(const uint8_t*, uint64_t, uint8_t*, uint64_t*, uint64_t,
                               EfiStatus*) {
    return false;
}
