#include "platform/platform.h"
#include "platform/uefi/libc/stream.h"

void platformSetConsoleTap(PlatformConsoleTap tap) {
    uefilibc::standardOutputTap = tap;
}
