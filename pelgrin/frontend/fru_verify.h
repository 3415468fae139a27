// Closing the loop over KCS: does the BMC's FRU device 0 hold the FRU image
// of the SKU.BIN this run built?
#pragma once

#include <stddef.h>
#include <stdint.h>

// `skuImage` holds SKU.BIN (`size` bytes, zero past its end). After an upload
// the BMC is first given up to 120 s to answer again and its first bytes must
// equal the image; otherwise (a board programmed earlier) every field but the
// manufacturing date must. RUN_OK after the match line, RUN_VERIFY_MISMATCH
// after a line per difference, RUN_VERIFY_UNREADABLE after one error line.
int verifyBmcFru(const uint8_t* skuImage, size_t size, bool afterUpload);
