#include "pelgrin/channel/bmc_requests.h"

#include <stdio.h>
#include <string.h>

#include "kcs/kcs.h"
#include "pelgrin/channel/oem_request.h"

namespace {

constexpr uint8_t NETFN_APP_LUN0 = 0x06 << 2;
constexpr uint8_t CMD_GET_DEVICE_ID = 0x01;
constexpr uint8_t SMEM_ADDRESS_PARAMETER = 0x0A;
constexpr uint8_t UPDATE_STATUS_PARAMETER = 0x03;
constexpr uint64_t ADDRESS_RESPONSE_MIN = 10;
constexpr uint8_t COMPLETION_CODE = 2;

uint32_t littleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void printAddressResponse(const uint8_t* response) {
    for (int line = 0; line < 3; ++line) {
        const uint8_t* bytes = response + 4 * line;
        printf("CmdResp = %x, %x, %x, %x\n", bytes[0], bytes[1], bytes[2], bytes[3]);
    }
}

}  // namespace

bool querySmemAddress(uint32_t* address) {
    const uint8_t parameter = SMEM_ADDRESS_PARAMETER;
    // Cleared so that a failed exchange prints zeros rather than stack bytes.
    uint8_t response[KCS_MAX_RESPONSE];
    memset(response, 0, sizeof response);
    uint64_t length = 0;
    EfiStatus status = sendOemRequest(CMD_SMEM_ADDRESS, &parameter, 1, response, &length);
    printAddressResponse(response);
    if (status != EFI_SUCCESS || response[COMPLETION_CODE] != 0 || length < ADDRESS_RESPONSE_MIN)
        return false;
    *address = littleEndian32(response + OEM_DATA_START);
    return true;
}

int32_t readUpdateStatus(uint8_t* status) {
    const uint8_t parameter = UPDATE_STATUS_PARAMETER;
    uint8_t response[KCS_MAX_RESPONSE];
    memset(response, 0, sizeof response);
    uint64_t length = 0;
    sendOemRequest(CMD_UPDATE_STATUS, &parameter, 1, response, &length);
    *status = response[OEM_DATA_START];
    return 0;
}

const char* readFirmwareVersion() {
    static char version[16];
    memset(version, 0, sizeof version);
    uint8_t request[2] = {NETFN_APP_LUN0, CMD_GET_DEVICE_ID};
    uint8_t response[KCS_MAX_RESPONSE];
    memset(response, 0, sizeof response);
    uint64_t length = sizeof request;
    kcsRequest(request, response, &length);
    // Firmware revision 1 is printed whole, top bit included.
    snprintf(version, sizeof version, "%x.%02x\n", response[5], response[6]);
    return version;
}
