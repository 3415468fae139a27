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
// A pair refused once is not asked for again (one line, not one per access).
uint32_t refusedPair = 1;

}  // namespace

// The two KCS registers are an aligned pair; one ioperm covers both.
bool linuxGrantPorts(uint16_t port) {
    uint16_t first = port & static_cast<uint16_t>(~1u);
    if (first == grantedPair)
        return true;
    if (first == refusedPair)
        return false;
    if (ioperm(first, 2, 1) != 0) {
        char what[64];
        snprintf(what, sizeof what, "no access to I/O ports 0x%X-0x%X", first, first + 1);
        linuxPrintRefusal(what, errno);
        refusedPair = first;
        return false;
    }
    grantedPair = first;
    return true;
}

// Ports that were refused read as a floating bus and take no writes: the
// transport then times out instead of the program ending under the run.
uint8_t platformPortRead8(uint16_t port) {
    return linuxGrantPorts(port) ? inb(port) : 0xFF;
}

void platformPortWrite8(uint16_t port, uint8_t value) {
    if (linuxGrantPorts(port))
        outb(value, port);
}
