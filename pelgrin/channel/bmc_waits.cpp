// The two waits on the BMC: the doorbell taken, an expected update status.
#include <stdio.h>
#include <string.h>

#include "kcs/kcs.h"
#include "pelgrin/channel/bmc_requests.h"
#include "pelgrin/channel/oem_request.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t DOORBELL_POLLS = 3000;
constexpr uint64_t DOORBELL_POLL_US = 10000;
constexpr int STATUS_TRIES = 30;
constexpr uint64_t STATUS_TRY_US = 1000000;
constexpr uint8_t UPDATE_STATUS_PARAMETER = 0x03;
constexpr uint8_t STATUS_MISSED = 255;
}  // namespace

int32_t ringDoorbell(uint64_t commandWord) {
    static const uint8_t parameters[] = {0x0C, 0x00};
    platformPhysWrite32(commandWord, 1);
    uint8_t response[KCS_MAX_RESPONSE];
    uint64_t length = 0;
    sendOemRequest(CMD_SMEM_DOORBELL, parameters, sizeof parameters, response, &length);
    uint32_t remaining = DOORBELL_POLLS;
    // The BMC writes the word on its own: read it from the device every round.
    while (remaining > 0 && platformPhysRead32(commandWord) == 1) {
        --remaining;
        platformStall(DOORBELL_POLL_US);
    }
    if (remaining > 0)
        return 0;
    puts("Timeout: Please Check Share Memory exist or not");
    return 1;
}

int32_t waitForUpdateStatus(uint8_t expected) {
    const uint8_t parameter = UPDATE_STATUS_PARAMETER;
    uint8_t response[KCS_MAX_RESPONSE];
    memset(response, 0, sizeof response);
    for (int attempt = 0; attempt < STATUS_TRIES; ++attempt) {
        uint64_t length = 0;
        sendOemRequest(CMD_UPDATE_STATUS, &parameter, 1, response, &length);
        if (response[OEM_DATA_START] == expected)
            return 0;
        printf("%02d\b\b", attempt);
        fflush(stdout);
        platformStall(STATUS_TRY_US);
    }
    return STATUS_MISSED;
}
