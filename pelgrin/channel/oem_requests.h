// The IPMI requests with which the tool drives the BMC's shared-memory
// channel: OEM/Group requests (network function 0x2E, LUN 0, the enterprise
// number in front of the parameters) and Get Device ID, and the two waits on
// the BMC's answers.
#pragma once

#include <stdint.h>

#include "platform/bmc_enterprise_number.h"
#include "platform/efi_status.h"

// The enterprise number the board's BMC answers, as the build was configured.
constexpr uint8_t oemEnterpriseNumber[3] = {BMC_ENTERPRISE_NUMBER[0], BMC_ENTERPRISE_NUMBER[1],
                                            BMC_ENTERPRISE_NUMBER[2]};

constexpr uint8_t NETFN_APP_LUN0 = 0x06 << 2;
constexpr uint8_t CMD_GET_DEVICE_ID = 0x01;
// Byte of every IPMI response that holds its completion code, behind the
// network function and the command.
constexpr uint8_t COMPLETION_CODE = 2;

constexpr uint8_t CMD_SMEM_DOORBELL = 0x20;
constexpr uint8_t CMD_SMEM_ADDRESS = 0x21;
constexpr uint8_t CMD_UPDATE_STATUS = 0x3F;

// Response byte at which an OEM response's own data starts, behind the
// completion code and the echoed enterprise number.
constexpr uint8_t OEM_DATA_START = 6;

// Asks the BMC where its shared memory lies and prints the first twelve
// response bytes as three "CmdResp" lines. False, with *address untouched,
// when the BMC sent no address: the exchange gave no answer, the completion
// code is not 0, or the response is shorter than ten bytes.
bool querySmemAddress(uint32_t* address);

// Writes 1 into the command word at physical address `commandWord`, sends the
// doorbell request and waits up to 30 s for the BMC to change the word.
// RUN_OK when it did; RUN_DOORBELL_REFUSED (after one "Error!" line) when the
// request got no answer or a completion code other than 0, or the word reads
// all ones (nothing behind the window); RUN_DOORBELL_TIMEOUT (after the
// timeout message) when the word stayed 1.
int32_t ringDoorbell(uint64_t commandWord);

constexpr int32_t UPDATE_STATUS_SEEN = 0;
constexpr int32_t UPDATE_STATUS_MISSED = 255;

// The BMC's update status (response byte 6 of the status request) and
// UPDATE_STATUS_SEEN; UPDATE_STATUS_MISSED with *status 0 when the reply was
// no answer (none, short, another request's, a completion code not 0).
int32_t readUpdateStatus(uint8_t* status);

// UPDATE_STATUS_SEEN as soon as the update status equals `expected`,
// UPDATE_STATUS_MISSED after 30 tries a second apart (the try numbers shown
// in place).
int32_t waitForUpdateStatus(uint8_t expected);

// The BMC's firmware version as "%x.%02x\n", or "unknown (why)\n" when Get
// Device ID brought no answer carrying it; one static text, overwritten by
// the next call.
const char* readFirmwareVersion();
