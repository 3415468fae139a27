// libFuzzer entry: a station's record line through unitlog's JSON reader and
// field extraction. Whatever a line holds, an accepted one keeps its bytes
// and key, and the members kept aside form a JSON object that reads back.
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <string_view>

#include "unitlog/json_reader.h"
#include "unitlog/unit_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    unitlog::LineFault fault{0, ""};
    auto record = unitlog::recordFromLine(line, &fault);
    if (!record) {
        if (fault.offset > size)
            std::abort();
        return 0;
    }
    if ((*record)[unitlog::Column::LINE] != std::string(line) ||
        (*record)[unitlog::Column::LINE_SHA256] != unitlog::lineKey(line))
        std::abort();
    const auto& extra = (*record)[unitlog::Column::EXTRA];
    if (extra) {
        auto kept = unitlog::parseJson(*extra, nullptr);
        if (!kept || kept->type != unitlog::JsonType::Object)
            std::abort();
    }
    return 0;
}
