#include "pelgrin/channel/oem_request.h"

#include <string.h>

#include "kcs/kcs.h"
#include "pelgrin/channel/bmc_requests.h"

namespace {
constexpr uint8_t NETFN_OEM_GROUP_LUN0 = 0x2E << 2;
constexpr uint8_t OEM_HEADER_SIZE = 5;
constexpr uint8_t MAX_PARAMETERS = 8;
}  // namespace

EfiStatus sendOemRequest(uint8_t command, const uint8_t* parameters, uint8_t count,
                         uint8_t* response, uint64_t* length) {
    if (count > MAX_PARAMETERS)
        return EFI_INVALID_PARAMETER;
    uint8_t request[OEM_HEADER_SIZE + MAX_PARAMETERS] = {
        NETFN_OEM_GROUP_LUN0, command, oemEnterpriseNumber[0], oemEnterpriseNumber[1],
        oemEnterpriseNumber[2]};
    memcpy(request + OEM_HEADER_SIZE, parameters, count);
    *length = OEM_HEADER_SIZE + count;
    return kcsRequest(request, response, length);
}
