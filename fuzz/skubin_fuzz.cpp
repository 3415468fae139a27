// libFuzzer entry: the whole skubin report on arbitrary image bytes.
#include <sstream>

#include "skubin/skubin_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SkubinImage image;
    image.file.assign(data, data + size);
    std::ostringstream out;
    SkubinReport report(out);
    std::string xml;
    reportImage(&image, &xml, &report);
    return 0;
}
