// libFuzzer entry: the FRU reader and the field decoder on arbitrary bytes,
// and the comparison of those bytes with a copy changed in one byte, cut
// short or run on: never a crash, a line for every difference, and never a
// match for bytes that differ within the image's span.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "pelgrin/image/fru_compare.h"
#include "pelgrin/image/fru_reader.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void countLine(void* lines, const char* line) {
    if (line[0] == '\0')
        abort();
    ++*static_cast<size_t*>(lines);
}

void checkBoth(const Bytes& expected, const Bytes& held, bool differ) {
    for (FruCompareMode mode : {FRU_COMPARE_EVERY_BYTE, FRU_COMPARE_FIELDS_BUT_MFG_DATE}) {
        size_t lines = 0;
        FruComparison comparison = {
            expected.data(), expected.size(), held.data(), held.size(), mode, countLine, &lines};
        FruCompareResult result = fruCompare(comparison);
        if ((result == FRU_SAME) != (lines == 0) ||
            (mode == FRU_COMPARE_EVERY_BYTE && differ && result == FRU_SAME))
            abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FruImageView view;
    fruReadImage(data, size, &view);
    const FruAreaView* areas[] = {&view.chassis, &view.board, &view.product};
    for (const FruAreaView* area : areas) {
        for (uint32_t i = 0; i < area->fieldCount && i < FRU_READER_MAX_FIELDS; ++i) {
            char text[FRU_FIELD_TEXT_MAX];
            fruFieldText(data, size, &area->fields[i], text, sizeof(text));
        }
    }
    fruMinutesToDate(view.board.mfgMinutes);
    if (fruImageExtent(data, size) < 8)
        abort();
    if (size < 3)
        return 0;
    // The first two bytes choose the change; the rest is the image.
    const Bytes image(data + 2, data + size);
    Bytes changed = image;
    changed[data[0] % changed.size()] ^= static_cast<uint8_t>(data[1] | 1);
    Bytes longer = image;
    longer.insert(longer.end(), data[1] % 64, data[0]);
    checkBoth(image, image, false);
    checkBoth(image, changed, true);
    checkBoth(changed, image, true);
    checkBoth(image, Bytes(image.begin(), image.begin() + data[0] % image.size()), true);
    checkBoth(image, longer, false);
    return 0;
}
