// mysku.xml.gz and the SKU.BIN image that carries it with the FRU image.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "pelgrin/run/sku_context.h"

// 16-bit wrapping sum of unsigned bytes: the checksums of SKU.BIN.
uint16_t byteSum16(const uint8_t* bytes, size_t count);

// mysku.xml -> mysku.xml.gz, read back into context->skuGz. 0 on success.
int compressDescription(SkuContext* context);

// Assembles SKU.BIN in imageBuffer (32768 zeroed bytes) and writes it. 0 on success.
int buildSkuImage(SkuContext* context, uint8_t* imageBuffer);
