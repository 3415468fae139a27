// Closing the loop over KCS: does the BMC's FRU device 0 hold the FRU image
// of the SKU.BIN this run built?
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "pelgrin/channel/fru_readback.h"

// The step, offset and cause of a read-back that stopped, without a line end,
// for the caller's one error line.
void printReadbackFault(const FruReadbackFault& fault);

// What this run did to the board before VERIFY reads it back.
enum VerifyAfter {
    VERIFY_BOARD_AS_IT_IS,   // nothing sent (DSBSHM): a board programmed earlier
    VERIFY_AFTER_UPLOAD,     // SKU.BIN went through the window; the BMC resets
    VERIFY_AFTER_FRU_WRITE,  // the FRU was written over KCS; no reset follows
};

// `skuImage` holds SKU.BIN (`size` bytes, zero past its end). The wait for
// the BMC and the reads share one 120 s bound. After an upload the BMC must
// first answer Get Device ID with the device available, and a FRU that still
// differs is read again every 2 s for up to 30 s; after an upload or a FRU
// write the BMC's first bytes must equal the image (after a FRU write at
// once, with no wait); a board as it is must hold every field but the
// manufacturing date. RUN_OK after the match line, RUN_VERIFY_MISMATCH after
// a line per difference (the BMC's image read as far as its own header
// says), RUN_VERIFY_UNREADABLE after one error line.
int verifyBmcFru(const uint8_t* skuImage, size_t size, VerifyAfter after);
