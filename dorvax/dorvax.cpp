#include "dorvax/dorvax.h"

#include <stdio.h>

#include "dorvax/completion_codes.h"
#include "dorvax/dorvax_args.h"
#include "kcs/ipmi_reply.h"
#include "kcs/kcs.h"
#include "platform/platform.h"

namespace {

const int REQUEST_TRIES = 11;
// A request whose first byte has these bits set goes to another LUN than the
// BMC's own, which is almost always the NetFn typed without the shift.
const uint8_t LUN_MASK = 0x03;

void printUsage() {
    printf("DORVAX interface for UEFI. Ver 1.2\n");
    printf("Usage: dorvax XX XX XX XX XX XX -delay YY (ms) \n");
    printf("     : XX   Input Data\n");
    printf("     : Example: dorvax 18 01, Is GetDevID Command , Just support CA2/CA3 Port \n");
}

// Habits from other tools (a 0x prefix, the NetFn unshifted) end in errors
// that do not name the cause; this line does.
void printByteHint() {
    // Under 80 columns: the shell's console wraps longer lines.
    printf("Hint: two hex digits per byte, no 0x; first byte = NetFn*4 + LUN (dorvax 18 01)\n");
}

void printInputError(const char* text) {
    printf("%s", text);
    printByteHint();
}

// The request length from the command line, or -1 when a data word is not
// a byte (its message already printed). Sets the transport's pause.
int readCommandLine(int argc, char** argv, uint8_t* request) {
    uint16_t delayMs = DORVAX_DEFAULT_DELAY_MS;
    int count = argc - 1 - scanDelayOptions(argc, argv, &delayMs);
    kcsPolicy.pollIntervalUs = static_cast<uint32_t>(delayMs) * 1000;
    if (count <= 0 || count > DORVAX_REQUEST_MAX)
        return 0;
    if (!readRequestBytes(argv + 1, count, request)) {
        printInputError("Input Data Error\n");
        return -1;
    }
    return count;
}

// Another try after an over-long reply would only send the request again
// for a reply that cannot fit either. All tries share the policy's one
// deadline, whatever -delay makes of each pause.
EfiStatus sendRequest(const uint8_t* request, int count, uint8_t* response, uint64_t* length) {
    const uint64_t deadline = platformMicros() + kcsPolicy.requestDeadlineUs;
    EfiStatus status = EFI_NOT_FOUND;
    for (int attempt = 0; attempt < REQUEST_TRIES; ++attempt) {
        *length = static_cast<uint64_t>(count);
        status = kcsRequestBy(request, response, length, deadline);
        if (status == EFI_SUCCESS || status == EFI_BUFFER_TOO_SMALL || platformMicros() >= deadline)
            return status;
    }
    return status;
}

void printReturnData(const uint8_t* response, uint64_t length) {
    printf("\nReturn Data= ");
    for (uint64_t i = 0; i < length && i < KCS_MAX_RESPONSE; ++i)
        printf("%02X ", response[i]);
    printf("\n");
}

// Any non-zero completion code is a failure, named or not.
int reportResponse(uint8_t netFnLun, const uint8_t* response, uint64_t length) {
    uint8_t completionCode = response[2];
    if (completionCode == 0) {
        printReturnData(response, length);
        return 0;
    }
    printf("\nError Code[0x%x]:%s\n", completionCode, completionCodeText(completionCode));
    if ((netFnLun & LUN_MASK) != 0)
        printByteHint();
    return -1;
}

// What came back is shown either way: the operator sees which bytes were
// not an answer. The NetFn and command are the reply's own.
int reportNonAnswer(uint8_t netFnLun, IpmiReplyShape shape, const uint8_t* response,
                    uint64_t length) {
    printReturnData(response, length);
    if (shape == IPMI_REPLY_NO_COMPLETION_CODE)
        printf("Error! The reply has no completion code\n");
    else
        printf("Error! The reply answers another request (NetFn 0x%02X, command 0x%02X)\n",
               response[0] >> 2, response[1]);
    if ((netFnLun & LUN_MASK) != 0)
        printByteHint();
    return -1;
}

int exchange(const uint8_t* request, int count) {
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    EfiStatus status = sendRequest(request, count, response, &length);
    if (status == EFI_BUFFER_TOO_SMALL) {
        printf("\nKCS RESPONSE TOO LONG: more than %d bytes, discarded\n", KCS_MAX_RESPONSE);
        return -1;
    }
    if (status != EFI_SUCCESS) {
        printf("\nKCS ACCESS TIMEOUT\n");
        return -1;
    }
    IpmiReplyShape shape = ipmiReplyShape(request, response, length);
    if (shape != IPMI_REPLY_ANSWERS)
        return reportNonAnswer(request[0], shape, response, length);
    return reportResponse(request[0], response, length);
}

}  // namespace

int dorvaxMain(int argc, char** argv) {
    uint8_t request[DORVAX_REQUEST_MAX] = {};
    int count = 0;
    if (argc <= 1)
        printUsage();
    else
        count = readCommandLine(argc, argv, request);
    if (count < 0)
        return -1;
    if (count < 2) {
        printInputError("\nInput Data Error\n");
        return -1;
    }
    return exchange(request, count);
}
