// libFuzzer entry: the FRU reader and the field decoder on arbitrary bytes.
#include <stddef.h>
#include <stdint.h>

#include "pelgrin/image/fru_reader.h"

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
    return 0;
}
