// The IANA enterprise number with which the OEM requests address the board's
// BMC. A BMC answers its maker's number only, so the number is a build
// setting (CMake cache variable VELSKU_OEM_ENTERPRISE_NUMBER) that reaches the
// code as the compile definition of the same name, and the tool and the
// simulated BMC both take their bytes from here.
#pragma once

#include <stdint.h>

#ifndef VELSKU_OEM_ENTERPRISE_NUMBER
#error "VELSKU_OEM_ENTERPRISE_NUMBER comes from the build (cmake/OemEnterpriseNumber.cmake)"
#endif
static_assert(VELSKU_OEM_ENTERPRISE_NUMBER >= 0 && VELSKU_OEM_ENTERPRISE_NUMBER <= 0xFFFFFF,
              "an enterprise number travels in three bytes");

// Least significant byte first, as it travels in requests and responses.
constexpr uint8_t BMC_ENTERPRISE_NUMBER[3] = {
    static_cast<uint8_t>(VELSKU_OEM_ENTERPRISE_NUMBER & 0xFF),
    static_cast<uint8_t>((VELSKU_OEM_ENTERPRISE_NUMBER >> 8) & 0xFF),
    static_cast<uint8_t>((VELSKU_OEM_ENTERPRISE_NUMBER >> 16) & 0xFF)};
