#include "pelgrin/image/sku_entry.h"

#include <string.h>

#include "pelgrin/image/sku_layout.h"

bool skuFindEntry(const uint8_t* image, size_t size, const char* name, const uint8_t** data,
                  uint32_t* dataSize) {
    size_t nameLength = strlen(name);
    if (nameLength >= SKU_ENTRY_NAME_SIZE || size < SKU_HEADER_SIZE)
        return false;
    for (int i = 0; i < SKU_ENTRY_COUNT; ++i) {
        const uint8_t* record = image + SKU_DIRECTORY_OFFSET + i * SKU_ENTRY_SIZE;
        if (memcmp(record, name, nameLength) != 0 || record[nameLength] != 0)
            continue;
        uint32_t offset = skuGet24(record + SKU_ENTRY_DATA_OFFSET);
        uint32_t length = skuGet24(record + SKU_ENTRY_DATA_SIZE);
        if (offset > size || length > size - offset)
            return false;
        *data = image + offset;
        *dataSize = length;
        return true;
    }
    return false;
}
