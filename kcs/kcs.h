// One IPMI request and its response over the KCS system interface, by polling
// two I/O ports. Each program owns one KcsPolicy (its timing and retries); the
// transport prints nothing and allocates nothing.
#pragma once

#include <stdint.h>

#include "platform/efi_status.h"

#define KCS_MAX_RESPONSE 256

#define KCS_PORT_READ 0x01
#define KCS_PORT_WRITE 0x10

struct KcsPolicy {
    uint16_t dataPort;
    uint16_t commandStatusPort;
    uint32_t pollLimit;
    uint32_t pollIntervalUs;
    bool stallBeforeRead;
    uint32_t recoveryAttempts;
    uint32_t phaseAttempts;
    // Wall-clock microseconds one whole request may take, error exits and
    // repeated phases included; the poll and attempt counts bound it too.
    uint64_t requestDeadlineUs;
};

// pelgrin: a wait whose condition holds costs no pause.
constexpr KcsPolicy PELGRIN_KCS_POLICY = {0x0CA2, 0x0CA3, 1000, 5000, false, 1001, 1, 5000000};
// dorvax: a pause before every status read; pollIntervalUs follows -delay.
constexpr KcsPolicy DORVAX_KCS_POLICY = {0x0CA2, 0x0CA3, 50, 15000, true, 51, 50, 15000000};

// The running program's policy; each program defines it, constant-initialised.
extern KcsPolicy kcsPolicy;

// EFI_BUFFER_TOO_SMALL: the response went on past KCS_MAX_RESPONSE bytes; the
// first ones are stored, the transfer was aborted, and no attempt follows.
// EFI_TIMEOUT also when the policy's requestDeadlineUs ran out. On return
// *length is the count of response bytes stored (0 when none came).
EfiStatus kcsRequest(const uint8_t* request, uint8_t* response, uint64_t* length);
// The same, ending by `deadlineUs` on platformMicros' clock (or sooner, by
// the policy's own deadline): a caller that sends again keeps one bound over
// all its tries.
EfiStatus kcsRequestBy(const uint8_t* request, uint8_t* response, uint64_t* length,
                       uint64_t deadlineUs);
EfiStatus kcsWritePhase(const uint8_t* request, uint64_t count);
// *length counts the bytes this phase stored: 0 until the first arrives.
EfiStatus kcsReadPhase(uint8_t* response, uint64_t* length);
EfiStatus kcsErrorRecovery();
EfiStatus kcsWaitStatus(uint8_t mask, bool wantSet);
EfiStatus kcsCheckState(uint8_t expected, uint8_t* idleSeen);
EfiStatus kcsPortAccess(uint16_t port, uint8_t direction, uint8_t* byte);
