// One OEM/Group request (network function 0x2E, LUN 0) with the program's
// enterprise number in front of the parameters.
#pragma once

#include <stdint.h>

#include "platform/efi_status.h"

constexpr uint8_t CMD_SMEM_DOORBELL = 0x20;
constexpr uint8_t CMD_SMEM_ADDRESS = 0x21;
constexpr uint8_t CMD_UPDATE_STATUS = 0x3F;

// Response byte at which an OEM response's own data starts, behind the
// completion code and the echoed enterprise number.
constexpr uint8_t OEM_DATA_START = 6;

// `response` has room for KCS_MAX_RESPONSE bytes; `length` receives the
// number of response bytes the transport stored.
EfiStatus sendOemRequest(uint8_t command, const uint8_t* parameters, uint8_t count,
                         uint8_t* response, uint64_t* length);
