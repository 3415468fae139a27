#include "fuzz/sku_image_check.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "skubin/skubin_report.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    fprintf(stderr, "SKU.BIN check failed: %s\n", what.c_str());
    abort();
}

void require(bool condition, const char* what) {
    if (!condition)
        fail(what);
}

size_t roundUp64(size_t value) {
    return (value + 63) & ~size_t{63};
}

size_t offsetOf(const SkubinImage& image, const SkubinEntryData& entry) {
    return static_cast<size_t>(entry.bytes - image.file.data());
}

}  // namespace

void checkSkuImage(const uint8_t* bytes, size_t size) {
    // skubin checks the container, every checksum, the FRU entry through the
    // FRU reader, and the description's gzip stream and XML.
    SkubinImage image;
    image.file.assign(bytes, bytes + size);
    std::ostringstream ignored;
    SkubinReport report(ignored);
    std::string xml;
    reportImage(&image, &xml, &report);
    if (report.firstStatus != SKUBIN_OK)
        fail(report.firstReason);

    // skubin accepts any well-formed layout; pelgrin writes exactly this one.
    require(image.fru.usable && image.description.usable, "FRU and description entries");
    require(offsetOf(image, image.fru) == 256, "FRU entry offset");
    size_t descriptionOffset = offsetOf(image, image.description);
    require(descriptionOffset == roundUp64(256 + image.fru.size), "description offset");
    require(size == roundUp64(descriptionOffset + image.description.size), "image end");
    for (size_t i = 0xA0 + 24; i < 0xA0 + 32; ++i)
        require(bytes[i] == 0, "empty MAC entry");
}
