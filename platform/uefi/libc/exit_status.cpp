#include "platform/uefi/libc/exit_status.h"

namespace uefilibc {

uint64_t exitStatusFor(int value) {
    constexpr uint64_t kAborted = 0x8000000000000015ULL;
    return value == 1 ? kAborted : static_cast<uint64_t>(static_cast<int64_t>(value));
}

}  // namespace uefilibc
