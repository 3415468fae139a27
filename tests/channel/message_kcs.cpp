#include "tests/channel/message_kcs.h"

#include <algorithm>
#include <cstring>

#include "kcs/kcs.h"
#include "platform/sim/bmc_messages.h"

namespace channeltest {
namespace {
EfiStatus failure = EFI_SUCCESS;
}  // namespace

void setTransportFailure(EfiStatus status) {
    failure = status;
}

}  // namespace channeltest

EfiStatus kcsRequest(const uint8_t* request, uint8_t* response, uint64_t* length) {
    if (channeltest::failure != EFI_SUCCESS) {
        *length = 0;
        return channeltest::failure;
    }
    sim::Bytes answer = sim::bmc().respond(sim::Bytes(request, request + *length));
    size_t stored = std::min<size_t>(answer.size(), KCS_MAX_RESPONSE);
    if (stored > 0)
        memcpy(response, answer.data(), stored);
    *length = stored;
    return answer.size() > KCS_MAX_RESPONSE ? EFI_BUFFER_TOO_SMALL : EFI_SUCCESS;
}
