// The enterprise number the build was configured for, taken apart here on its
// own rather than through platform/bmc_enterprise_number.h, so that a wrong
// byte order there fails the request tests under any configured number.
#pragma once

#include <array>
#include <cstdint>

namespace testsupport {

// Least significant byte first, as requests carry it.
constexpr std::array<uint8_t, 3> CONFIGURED_ENTERPRISE = {
    VELSKU_OEM_ENTERPRISE_NUMBER % 0x100, VELSKU_OEM_ENTERPRISE_NUMBER / 0x100 % 0x100,
    VELSKU_OEM_ENTERPRISE_NUMBER / 0x10000};

// Another maker's number: the configured one with its low byte changed.
constexpr std::array<uint8_t, 3> ANOTHER_ENTERPRISE = {
    static_cast<uint8_t>(CONFIGURED_ENTERPRISE[0] ^ 0x01), CONFIGURED_ENTERPRISE[1],
    CONFIGURED_ENTERPRISE[2]};

}  // namespace testsupport
