#include "kcs/kcs.h"

// Placeholder until the transport lands: no BMC is reachable.
EfiStatus kcsRequest(const uint8_t*, uint8_t*, uint64_t*) {
    return EFI_NOT_FOUND;
}
