// Finding one named entry's data in a SKU.BIN image.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The data of the directory entry called `name`, when the entry exists and
// its data lies inside the `size` bytes of `image`.
bool skuFindEntry(const uint8_t* image, size_t size, const char* name, const uint8_t** data,
                  uint32_t* dataSize);
