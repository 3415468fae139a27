// Independent check of a written SKU.BIN: container layout, every checksum,
// and the FRU entry through the FRU reader. Aborts on the first violation.
#pragma once

#include <cstddef>
#include <cstdint>

void checkSkuImage(const uint8_t* bytes, size_t size);
