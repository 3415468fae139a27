#include "fuzz/sku_image_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pelgrin/image/fru_reader.h"

namespace {

uint32_t le24(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16);
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t sum16(const uint8_t* bytes, size_t count) {
    uint16_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = static_cast<uint16_t>(sum + bytes[i]);
    return sum;
}

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "SKU.BIN check failed: %s\n", what);
    abort();
}

void require(bool condition, const char* what) {
    if (!condition)
        fail(what);
}

struct Entry {
    const char* name;
    uint32_t offset;
    uint32_t size;
    uint16_t checksum;
};

Entry entryAt(const uint8_t* bytes, size_t at, const char* name) {
    const uint8_t* entry = bytes + at;
    require(memcmp(entry, name, strlen(name) + 1) == 0, "entry name");
    for (size_t i = strlen(name); i < 24; ++i)
        require(entry[i] == 0, "entry name padding");
    return {name, le24(entry + 24), le24(entry + 27), le16(entry + 30)};
}

void checkEntryData(const uint8_t* bytes, size_t size, const Entry& entry) {
    require(entry.offset % 64 == 0, "entry offset alignment");
    require(entry.offset + entry.size <= size, "entry inside the image");
    require(sum16(bytes + entry.offset, entry.size) == entry.checksum, "entry checksum");
}

}  // namespace

void checkSkuImage(const uint8_t* bytes, size_t size) {
    require(size >= 256 && size <= 32768 && size % 64 == 0, "image size");
    require(memcmp(bytes, "KORVALEN", 8) == 0, "maker");
    require(bytes[8] == 3, "entry count");
    require(le24(bytes + 9) == size, "image size field");
    require(sum16(bytes, 14) == le16(bytes + 14), "header checksum");

    Entry mac = entryAt(bytes, 0xA0, "NVRAM_MAC00.dat");
    require(mac.offset == 0 && mac.size == 0 && mac.checksum == 0, "empty MAC entry");
    Entry fru = entryAt(bytes, 0xC0, "NVRAM_FRU00.dat");
    require(fru.offset == 256, "FRU entry offset");
    checkEntryData(bytes, size, fru);
    Entry description = entryAt(bytes, 0xE0, "sku.xml.gz");
    require(description.offset == ((256 + fru.size + 63) & ~63u), "description offset");
    checkEntryData(bytes, size, description);
    require(size == ((description.offset + description.size + 63) & ~63u), "image end");
    require(description.size >= 18 && bytes[description.offset] == 0x1F &&
                bytes[description.offset + 1] == 0x8B,
            "gzip stream");

    FruImageView view;
    if (fruReadImage(bytes + fru.offset, fru.size, &view) != FRU_READ_OK)
        fail(fruReadStatusText(view.status));
}
