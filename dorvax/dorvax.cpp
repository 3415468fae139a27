#include "dorvax/dorvax.h"

#include <stdio.h>

#include "dorvax/completion_codes.h"
#include "dorvax/dorvax_args.h"
#include "kcs/kcs.h"

namespace {

const int REQUEST_TRIES = 11;

void printUsage() {
    printf("DORVAX interface for UEFI. Ver 1.2\n");
    printf("Usage: dorvax XX XX XX XX XX XX -delay YY (ms) \n");
    printf("     : XX   Input Data\n");
    printf("     : Example: dorvax 18 01, Is GetDevID Command , Just support CA2/CA3 Port \n");
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
        printf("Input Data Error\n");
        return -1;
    }
    return count;
}

bool sendRequest(const uint8_t* request, int count, uint8_t* response, uint64_t* length) {
    for (int attempt = 0; attempt < REQUEST_TRIES; ++attempt) {
        *length = static_cast<uint64_t>(count);
        if (kcsRequest(request, response, length) == EFI_SUCCESS)
            return true;
    }
    return false;
}

int reportResponse(const uint8_t* response, uint64_t length) {
    uint8_t completionCode = response[2];
    if (completionCode == 0) {
        printf("\nReturn Data= ");
        for (uint64_t i = 0; i < length && i < KCS_MAX_RESPONSE; ++i)
            printf("%02X ", response[i]);
        printf("\n");
        return 0;
    }
    const char* text = completionCodeText(completionCode);
    if (text == NULL) {
        printf("\n");
        return 0;
    }
    printf("\nError Code[0x%x]:%s\n", completionCode, text);
    return -1;
}

}  // namespace

int dorvaxMain(int argc, char** argv) {
    uint8_t request[DORVAX_REQUEST_MAX] = {};
    uint8_t response[KCS_MAX_RESPONSE] = {};
    int count = 0;
    if (argc <= 1)
        printUsage();
    else
        count = readCommandLine(argc, argv, request);
    if (count < 0)
        return -1;
    if (count < 2) {
        printf("\nInput Data Error\n");
        return -1;
    }
    uint64_t length = 0;
    if (!sendRequest(request, count, response, &length)) {
        printf("\nKCS ACCESS TIMEOUT\n");
        return -1;
    }
    return reportResponse(response, length);
}
