#include "kcs/kcs.h"

#include "platform/platform.h"

namespace {

const uint8_t KCS_STATUS_OBF = 0x01;
const uint8_t KCS_STATUS_IBF = 0x02;

const uint8_t KCS_IDLE_STATE = 0;
const uint8_t KCS_READ_STATE = 1;
const uint8_t KCS_WRITE_STATE = 2;

const uint8_t KCS_GET_STATUS_ABORT = 0x60;
const uint8_t KCS_WRITE_START = 0x61;
const uint8_t KCS_WRITE_END = 0x62;
const uint8_t KCS_READ = 0x68;

// No IPMI state reads back as 0xFF in IDLE_STATE: it is an empty bus.
const uint8_t KCS_FLOATING_BUS = 0xFF;

// The deadline of the request in progress. A phase called outside a request
// has none and keeps only its poll and attempt counts.
struct RequestDeadline {
    bool armed;
    uint64_t atUs;
};
RequestDeadline requestDeadline = {false, 0};

bool deadlinePassed() {
    return requestDeadline.armed && platformMicros() >= requestDeadline.atUs;
}

// A pause never reaches past the deadline, so that one long -delay cannot.
void pauseBeforeDeadline(uint64_t microseconds) {
    if (requestDeadline.armed) {
        uint64_t now = platformMicros();
        uint64_t left = now < requestDeadline.atUs ? requestDeadline.atUs - now : 0;
        if (microseconds > left)
            microseconds = left;
    }
    platformStall(microseconds);
}

uint8_t readStatus() {
    uint8_t status = 0;
    kcsPortAccess(kcsPolicy.commandStatusPort, KCS_PORT_READ, &status);
    return status;
}

uint8_t readData() {
    uint8_t data = 0;
    kcsPortAccess(kcsPolicy.dataPort, KCS_PORT_READ, &data);
    return data;
}

void writeData(uint8_t data) {
    kcsPortAccess(kcsPolicy.dataPort, KCS_PORT_WRITE, &data);
}

void writeCommand(uint8_t command) {
    kcsPortAccess(kcsPolicy.commandStatusPort, KCS_PORT_WRITE, &command);
}

EfiStatus waitInputTaken() {
    return kcsWaitStatus(KCS_STATUS_IBF, false);
}

EfiStatus waitOutputReady() {
    return kcsWaitStatus(KCS_STATUS_OBF, true);
}

bool conditionMet(uint8_t status, uint8_t mask, bool wantSet) {
    return ((status & mask) != 0) == wantSet;
}

EfiStatus awaitWriteState() {
    EfiStatus status = waitInputTaken();
    if (status != EFI_SUCCESS)
        return status;
    uint8_t idleSeen = 0;
    if (kcsCheckState(KCS_WRITE_STATE, &idleSeen) != EFI_SUCCESS)
        return kcsErrorRecovery();
    readData();
    return EFI_SUCCESS;
}

EfiStatus finishResponse() {
    EfiStatus status = waitOutputReady();
    if (status != EFI_SUCCESS)
        return status;
    readData();
    return EFI_SUCCESS;
}

// One pass of the IPMI error exit. EFI_SUCCESS: the interface is back in
// IDLE_STATE; EFI_DEVICE_ERROR: a state check failed and the pass may be
// repeated; EFI_TIMEOUT: a wait ran out.
EfiStatus abortTransfer() {
    uint8_t idleSeen = 0;
    EfiStatus status = waitInputTaken();
    if (status != EFI_SUCCESS)
        return status;
    writeCommand(KCS_GET_STATUS_ABORT);
    if ((status = waitInputTaken()) != EFI_SUCCESS)
        return status;
    readData();
    writeData(0x00);
    if ((status = waitInputTaken()) != EFI_SUCCESS)
        return status;
    if (kcsCheckState(KCS_READ_STATE, &idleSeen) != EFI_SUCCESS)
        return EFI_DEVICE_ERROR;
    if ((status = waitOutputReady()) != EFI_SUCCESS)
        return status;
    // The BMC's status code: the caller only learns that the exchange failed.
    readData();
    writeData(KCS_READ);
    if ((status = waitInputTaken()) != EFI_SUCCESS)
        return status;
    if (kcsCheckState(KCS_IDLE_STATE, &idleSeen) != EFI_SUCCESS)
        return EFI_DEVICE_ERROR;
    return finishResponse();
}

// The BMC still sends after the buffer is full. Reading on would hand the
// tail to the next read attempt as a reply of its own, so the transfer is
// aborted instead and the next request finds the interface idle; a failed
// abort changes nothing for the caller, the reply is lost either way.
EfiStatus abandonOverlongResponse() {
    kcsErrorRecovery();
    return EFI_BUFFER_TOO_SMALL;
}

// A policy that repeats its phases also reads after write attempts that all
// failed: the BMC may still have taken the request.
bool readsAfterFailedWrite() {
    return kcsPolicy.phaseAttempts > 1;
}

// An over-long response was aborted: another read attempt would only find
// the interface idle and wait out every pause for a reply that is not coming.
bool isRetriedReadFailure(EfiStatus status) {
    return status != EFI_SUCCESS && status != EFI_BUFFER_TOO_SMALL;
}

bool sentThroughDriver(const uint8_t* request, uint8_t* response, uint64_t* length,
                       uint64_t deadlineUs, EfiStatus* status) {
    uint64_t received = KCS_MAX_RESPONSE;
    if (!platformIpmiDriverRequest(request, *length, response, &received, deadlineUs, status))
        return false;
    *length = received;
    return true;
}

EfiStatus exchangeOverPorts(const uint8_t* request, uint8_t* response, uint64_t* length) {
    const uint64_t count = *length;
    *length = 0;
    if (readStatus() == KCS_FLOATING_BUS)
        return EFI_NOT_FOUND;
    uint32_t attempt = 0;
    EfiStatus status = EFI_SUCCESS;
    do {
        status = kcsWritePhase(request, count);
    } while (status != EFI_SUCCESS && ++attempt < kcsPolicy.phaseAttempts && !deadlinePassed());
    if (status != EFI_SUCCESS && !readsAfterFailedWrite())
        return status;
    attempt = 0;
    do {
        status = kcsReadPhase(response, length);
    } while (isRetriedReadFailure(status) && ++attempt < kcsPolicy.phaseAttempts &&
             !deadlinePassed());
    return status;
}

}  // namespace

EfiStatus kcsPortAccess(uint16_t port, uint8_t direction, uint8_t* byte) {
    if (byte == nullptr)
        return EFI_INVALID_PARAMETER;
    if (direction == KCS_PORT_READ) {
        *byte = platformPortRead8(port);
        return EFI_SUCCESS;
    }
    if (direction == KCS_PORT_WRITE) {
        platformPortWrite8(port, *byte);
        return EFI_SUCCESS;
    }
    return EFI_INVALID_PARAMETER;
}

EfiStatus kcsWaitStatus(uint8_t mask, bool wantSet) {
    for (uint32_t read = 0; read < kcsPolicy.pollLimit; ++read) {
        if (kcsPolicy.stallBeforeRead)
            pauseBeforeDeadline(kcsPolicy.pollIntervalUs);
        if (conditionMet(readStatus(), mask, wantSet))
            return EFI_SUCCESS;
        if (deadlinePassed())
            return EFI_TIMEOUT;
        if (!kcsPolicy.stallBeforeRead)
            pauseBeforeDeadline(kcsPolicy.pollIntervalUs);
    }
    return EFI_TIMEOUT;
}

EfiStatus kcsCheckState(uint8_t expected, uint8_t* idleSeen) {
    if (idleSeen == nullptr)
        return EFI_INVALID_PARAMETER;
    *idleSeen = 0;
    uint8_t state = readStatus() >> 6;
    if (state == expected)
        return EFI_SUCCESS;
    if (state == KCS_IDLE_STATE)
        *idleSeen = 1;
    return EFI_DEVICE_ERROR;
}

EfiStatus kcsWritePhase(const uint8_t* request, uint64_t count) {
    if (request == nullptr || count == 0)
        return EFI_INVALID_PARAMETER;
    EfiStatus status = waitInputTaken();
    if (status != EFI_SUCCESS)
        return status;
    readData();
    writeCommand(KCS_WRITE_START);
    if ((status = awaitWriteState()) != EFI_SUCCESS)
        return status;
    for (uint64_t i = 0; i + 1 < count; ++i) {
        writeData(request[i]);
        if ((status = awaitWriteState()) != EFI_SUCCESS)
            return status;
    }
    writeCommand(KCS_WRITE_END);
    if ((status = awaitWriteState()) != EFI_SUCCESS)
        return status;
    writeData(request[count - 1]);
    return EFI_SUCCESS;
}

// A response that ends before its first byte leaves the length at 0: a
// caller must never take bytes it had in the buffer for the BMC's.
EfiStatus kcsReadPhase(uint8_t* response, uint64_t* length) {
    if (response == nullptr || length == nullptr)
        return EFI_INVALID_PARAMETER;
    *length = 0;
    for (uint32_t i = 0;; ++i) {
        EfiStatus status = waitInputTaken();
        if (status != EFI_SUCCESS)
            return status;
        uint8_t idleSeen = 0;
        if (kcsCheckState(KCS_READ_STATE, &idleSeen) != EFI_SUCCESS)
            return idleSeen ? finishResponse() : kcsErrorRecovery();
        if (i == KCS_MAX_RESPONSE)
            return abandonOverlongResponse();
        if ((status = waitOutputReady()) != EFI_SUCCESS)
            return status;
        response[i] = readData();
        writeData(KCS_READ);
        *length = i + 1;
    }
}

// Repeated with no pause of its own, and never a success: even an interface
// brought back to IDLE_STATE leaves the transfer failed.
EfiStatus kcsErrorRecovery() {
    for (uint32_t attempt = 0; attempt < kcsPolicy.recoveryAttempts; ++attempt) {
        // The first attempt runs even late: it may leave the interface idle.
        if (attempt > 0 && deadlinePassed())
            return EFI_TIMEOUT;
        EfiStatus status = abortTransfer();
        if (status == EFI_SUCCESS)
            return EFI_DEVICE_ERROR;
        if (status != EFI_DEVICE_ERROR)
            return status;
    }
    return EFI_DEVICE_ERROR;
}

EfiStatus kcsRequest(const uint8_t* request, uint8_t* response, uint64_t* length) {
    return kcsRequestBy(request, response, length, UINT64_MAX);
}

EfiStatus kcsRequestBy(const uint8_t* request, uint8_t* response, uint64_t* length,
                       uint64_t deadlineUs) {
    if (request == nullptr || response == nullptr || length == nullptr || *length == 0)
        return EFI_INVALID_PARAMETER;
    const uint64_t start = platformMicros();
    const uint64_t ownDeadline = start + kcsPolicy.requestDeadlineUs;
    const uint64_t deadline = deadlineUs < ownDeadline ? deadlineUs : ownDeadline;
    if (start >= deadline) {
        *length = 0;
        return EFI_TIMEOUT;
    }
    EfiStatus status = EFI_SUCCESS;
    if (sentThroughDriver(request, response, length, deadline, &status))
        return status;
    requestDeadline = {true, deadline};
    status = exchangeOverPorts(request, response, length);
    requestDeadline.armed = false;
    return status;
}
