// libFuzzer entry: the FRU reader and the field decoder on arbitrary bytes,
// and the comparison of those bytes with a copy changed in one byte, cut
// short or run on: never a crash, and never a match for bytes that differ
// within the image's span.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "pelgrin/image/fru_compare.h"
#include "pelgrin/image/fru_reader.h"

namespace {

struct Lines {
    size_t count;
};

void countLine(void* context, const char* line) {
    if (line == nullptr || line[0] == '\0')
        abort();
    static_cast<Lines*>(context)->count++;
}

FruCompareResult compare(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& held,
                         FruCompareMode mode, Lines* lines) {
    FruComparison comparison = {
        expected.data(), expected.size(), held.data(), held.size(), mode, countLine, lines};
    return fruCompare(comparison);
}

// A difference must be reported with at least one line; a match with none.
void checkBoth(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& held,
               bool differ) {
    for (FruCompareMode mode : {FRU_COMPARE_EVERY_BYTE, FRU_COMPARE_FIELDS_BUT_MFG_DATE}) {
        Lines lines = {0};
        FruCompareResult result = compare(expected, held, mode, &lines);
        if ((result == FRU_SAME) != (lines.count == 0))
            abort();
        if (mode == FRU_COMPARE_EVERY_BYTE && differ && result == FRU_SAME)
            abort();
    }
}

void decodeAll(const uint8_t* data, size_t size) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    decodeAll(data, size);
    if (size < 3)
        return 0;
    // The first two bytes choose the change; the rest is the image.
    const std::vector<uint8_t> image(data + 2, data + size);
    std::vector<uint8_t> changed = image;
    changed[data[0] % changed.size()] ^= static_cast<uint8_t>(data[1] | 1);
    checkBoth(image, image, false);
    checkBoth(image, changed, true);
    checkBoth(changed, image, true);
    std::vector<uint8_t> shorter(image.begin(), image.begin() + data[0] % image.size());
    checkBoth(image, shorter, true);
    std::vector<uint8_t> longer = image;
    longer.insert(longer.end(), data[1] % 64, data[0]);
    checkBoth(image, longer, false);
    return 0;
}
