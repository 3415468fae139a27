// The IPMI requests with which the tool drives the BMC's shared-memory
// channel: three OEM/Group requests and Get Device ID.
#pragma once

#include <stdint.h>

#include "platform/bmc_enterprise_number.h"

// The enterprise number the board's BMC answers, as the build was configured.
constexpr uint8_t oemEnterpriseNumber[3] = {BMC_ENTERPRISE_NUMBER[0], BMC_ENTERPRISE_NUMBER[1],
                                            BMC_ENTERPRISE_NUMBER[2]};

// Asks the BMC where its shared memory lies and prints the first twelve
// response bytes as three "CmdResp" lines. False, with *address untouched,
// when the BMC sent no address: the exchange failed, the completion code is
// not 0, or the response is shorter than ten bytes.
bool querySmemAddress(uint32_t* address);

// Writes 1 into the command word at physical address `commandWord`, sends the
// doorbell request and waits up to 30 s for the BMC to change the word.
// 0 when it did, 1 (after the timeout message) when it did not.
int32_t ringDoorbell(uint64_t commandWord);

// The BMC's update status (response byte 6 of the status request); always 0.
int32_t readUpdateStatus(uint8_t* status);

// 0 as soon as the update status equals `expected`, 255 after 30 tries a
// second apart (the try numbers shown in place).
int32_t waitForUpdateStatus(uint8_t expected);

// The BMC's firmware version as "%x.%02x\n"; one static text, overwritten by
// the next call.
const char* readFirmwareVersion();
