// WRITEFRU: the FRU image of this run's SKU.BIN written into the BMC's FRU
// device 0 over KCS, for boards whose BMC has no shared-memory window.
#pragma once

#include <stddef.h>
#include <stdint.h>

// `skuImage` holds SKU.BIN (`size` bytes). RUN_OK after the "N of M bytes
// written" line; RUN_VERIFY_UNREADABLE when the BMC does not answer at all,
// RUN_FRU_WRITE_FAILED when the area is too small, unreadable or refuses a
// write, each after one error line.
int sendFruOverKcs(const uint8_t* skuImage, size_t size);
