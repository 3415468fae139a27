#pragma once

#include <stdint.h>

#include "pelgrin/run/sku_context.h"

// Reads SKU.xml, builds the FRU image, writes mysku.xml, mysku.xml.gz and
// SKU.BIN (assembled in the 32768-byte imageBuffer). 0 on success.
int processSku(SkuContext* context, uint8_t* imageBuffer);
