// The KCS ports through ioperm. Permission is asked for at the first access,
// not at start, so that a run that never reaches the BMC (pelgrin DSBSHM)
// needs no privileges.
#include <errno.h>
#include <stdio.h>
#include <sys/io.h>

#include "platform/linux/linux_platform.h"
#include "platform/platform.h"

namespace {

// The even port of the pair last granted; 1 (odd) while none is.
uint32_t grantedPair = 1;

// The two KCS registers are an aligned pair; one ioperm covers both.
void grantPort(uint16_t port) {
    uint16_t first = port & static_cast<uint16_t>(~1u);
    if (first == grantedPair)
        return;
    if (ioperm(first, 2, 1) != 0) {
        char what[64];
        snprintf(what, sizeof what, "no access to I/O ports 0x%X-0x%X", first, first + 1);
        linuxRefuse(what, errno);
    }
    grantedPair = first;
}

}  // namespace

uint8_t platformPortRead8(uint16_t port) {
    grantPort(port);
    return inb(port);
}

void platformPortWrite8(uint16_t port, uint8_t value) {
    grantPort(port);
    outb(value, port);
}
