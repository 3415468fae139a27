#include "pelgrin/channel/oem_requests.h"

#include <stdio.h>
#include <string.h>

#include "kcs/kcs.h"
#include "pelgrin/channel/ipmi_exchange.h"
#include "pelgrin/run/exit_status.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t NETFN_OEM_GROUP_LUN0 = 0x2E << 2;
constexpr uint8_t OEM_HEADER_SIZE = 5;
constexpr uint8_t MAX_PARAMETERS = 8;
constexpr uint32_t DOORBELL_POLLS = 3000;
constexpr uint64_t DOORBELL_POLL_US = 10000;
constexpr int STATUS_TRIES = 30;
constexpr uint64_t STATUS_TRY_US = 1000000;
constexpr uint8_t SMEM_ADDRESS_PARAMETER = 0x0A;
constexpr uint8_t UPDATE_STATUS_PARAMETER = 0x03;
constexpr uint64_t ADDRESS_RESPONSE_MIN = 10;
constexpr uint64_t STATUS_RESPONSE_MIN = OEM_DATA_START + 1;
// Get Device ID: firmware revisions 1 and 2.
constexpr uint8_t FIRMWARE_MAJOR = 5;
constexpr uint8_t FIRMWARE_MINOR = 6;
constexpr uint32_t DOORBELL_RUNG = 1;
constexpr uint32_t WINDOW_NOT_ANSWERING = 0xFFFFFFFF;

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

ExchangeOutcome exchangeOem(uint8_t command, const uint8_t* parameters, uint8_t count,
                            IpmiReply* reply) {
    uint8_t request[OEM_HEADER_SIZE + MAX_PARAMETERS] = {
        NETFN_OEM_GROUP_LUN0, command, oemEnterpriseNumber[0], oemEnterpriseNumber[1],
        oemEnterpriseNumber[2]};
    memcpy(request + OEM_HEADER_SIZE, parameters, count);
    return ipmiExchange(request, OEM_HEADER_SIZE + count, reply);
}

// The update status (response byte 6), or false when the BMC's reply is no
// answer carrying one.
bool exchangeUpdateStatus(uint8_t* status) {
    const uint8_t parameter = UPDATE_STATUS_PARAMETER;
    IpmiReply reply;
    if (exchangeOem(CMD_UPDATE_STATUS, &parameter, 1, &reply) != EXCHANGE_ANSWERED ||
        reply.completionCode() != 0 || reply.length < STATUS_RESPONSE_MIN)
        return false;
    *status = reply.bytes[OEM_DATA_START];
    return true;
}

// What took the version's place, in the text the update prints.
void describeMissingVersion(const IpmiReply& reply, char* text, size_t size) {
    if (reply.outcome != EXCHANGE_ANSWERED)
        snprintf(text, size, "unknown (%s)\n", exchangeFailureText(reply.outcome));
    else if (reply.completionCode() != 0)
        snprintf(text, size, "unknown (completion code 0x%02X)\n", reply.completionCode());
    else
        snprintf(text, size, "unknown (%u bytes, no firmware revision)\n",
                 static_cast<unsigned>(reply.length));
}

}  // namespace

bool querySmemAddress(uint32_t* address) {
    const uint8_t parameter = SMEM_ADDRESS_PARAMETER;
    IpmiReply reply;
    ExchangeOutcome outcome = exchangeOem(CMD_SMEM_ADDRESS, &parameter, 1, &reply);
    printAddressResponse(reply.bytes);
    if (outcome != EXCHANGE_ANSWERED || reply.completionCode() != 0 ||
        reply.length < ADDRESS_RESPONSE_MIN)
        return false;
    *address = littleEndian32(reply.bytes + OEM_DATA_START);
    return true;
}

int32_t readUpdateStatus(uint8_t* status) {
    *status = 0;
    return exchangeUpdateStatus(status) ? UPDATE_STATUS_SEEN : UPDATE_STATUS_MISSED;
}

const char* readFirmwareVersion() {
    static char version[64];
    memset(version, 0, sizeof version);
    const uint8_t request[2] = {NETFN_APP_LUN0, CMD_GET_DEVICE_ID};
    IpmiReply reply;
    if (ipmiExchange(request, sizeof request, &reply) != EXCHANGE_ANSWERED ||
        reply.completionCode() != 0 || reply.length <= FIRMWARE_MINOR) {
        describeMissingVersion(reply, version, sizeof version);
        return version;
    }
    // Firmware revision 1 is printed whole, top bit included.
    snprintf(version, sizeof version, "%x.%02x\n", reply.bytes[FIRMWARE_MAJOR],
             reply.bytes[FIRMWARE_MINOR]);
    return version;
}

int32_t ringDoorbell(uint64_t commandWord) {
    static const uint8_t parameters[] = {0x0C, 0x00};
    platformPhysWrite32(commandWord, DOORBELL_RUNG);
    IpmiReply reply;
    ExchangeOutcome outcome = exchangeOem(CMD_SMEM_DOORBELL, parameters, sizeof parameters, &reply);
    if (outcome != EXCHANGE_ANSWERED) {
        printf("Error! The doorbell request got %s\n", exchangeFailureText(outcome));
        return RUN_DOORBELL_REFUSED;
    }
    if (reply.completionCode() != 0) {
        printf("Error! The BMC refused the doorbell: completion code 0x%02X\n",
               reply.completionCode());
        return RUN_DOORBELL_REFUSED;
    }
    uint32_t remaining = DOORBELL_POLLS;
    // The BMC writes the word on its own: read it from the device every round.
    uint32_t word = platformPhysRead32(commandWord);
    while (remaining > 0 && word == DOORBELL_RUNG) {
        --remaining;
        platformStall(DOORBELL_POLL_US);
        word = platformPhysRead32(commandWord);
    }
    // All ones is no BMC's answer but a window with nothing behind it.
    if (word == WINDOW_NOT_ANSWERING) {
        puts("Error! The BMC window stopped answering: the command word reads 0xFFFFFFFF");
        return RUN_DOORBELL_REFUSED;
    }
    if (remaining > 0)
        return RUN_OK;
    puts("Timeout: Please Check Share Memory exist or not");
    return RUN_DOORBELL_TIMEOUT;
}

int32_t waitForUpdateStatus(uint8_t expected) {
    for (int attempt = 0; attempt < STATUS_TRIES; ++attempt) {
        uint8_t status = 0;
        if (exchangeUpdateStatus(&status) && status == expected)
            return UPDATE_STATUS_SEEN;
        printf("%02d\b\b", attempt);
        fflush(stdout);
        platformStall(STATUS_TRY_US);
    }
    return UPDATE_STATUS_MISSED;
}
