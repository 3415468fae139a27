// UEFI status values as the firmware reports them. The transport and the
// platform layer speak this convention; the production tool's own operations
// return small signed integers instead.
#pragma once

#include <stdint.h>

typedef uint64_t EfiStatus;

// Guarded so that firmware headers defining the same names (with the same
// values) can be included alongside.
#ifndef EFI_SUCCESS
#define EFI_SUCCESS 0ULL
#endif
#ifndef EFI_INVALID_PARAMETER
#define EFI_INVALID_PARAMETER 0x8000000000000002ULL
#endif
#ifndef EFI_BUFFER_TOO_SMALL
#define EFI_BUFFER_TOO_SMALL 0x8000000000000005ULL
#endif
#ifndef EFI_DEVICE_ERROR
#define EFI_DEVICE_ERROR 0x8000000000000007ULL
#endif
#ifndef EFI_NOT_FOUND
#define EFI_NOT_FOUND 0x800000000000000EULL
#endif
#ifndef EFI_TIMEOUT
#define EFI_TIMEOUT 0x8000000000000012ULL
#endif
#ifndef EFI_ACCESS_DENIED
#define EFI_ACCESS_DENIED 0x800000000000000FULL
#endif
#ifndef EFI_ABORTED
#define EFI_ABORTED 0x8000000000000015ULL
#endif

inline bool efiError(EfiStatus status) {
    return (status >> 63) != 0;
}
