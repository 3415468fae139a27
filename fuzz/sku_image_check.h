// Check of a SKU.BIN that a successful run wrote: everything skubin checks,
// plus the exact layout pelgrin writes. Aborts on the first violation.
#pragma once

#include <cstddef>
#include <cstdint>

void checkSkuImage(const uint8_t* bytes, size_t size);
