// How main's integer becomes the application's UEFI status.
#pragma once

#include <stdint.h>

namespace uefilibc {

// 1 (EXIT_FAILURE) is reported as EFI_ABORTED; every other value passes
// through sign-extended, so -1 reaches the shell as all ones.
uint64_t exitStatusFor(int value);

}  // namespace uefilibc
