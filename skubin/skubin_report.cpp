#include "skubin/skubin_report.h"

#include <cstdarg>
#include <cstdio>

const char* skubinStatusName(SkubinStatus status) {
    switch (status) {
        case SKUBIN_OK:
            return "OK";
        case SKUBIN_USAGE:
            return "usage or I/O error";
        case SKUBIN_NOT_AN_IMAGE:
            return "not an image";
        case SKUBIN_TRUNCATED:
            return "truncated";
        case SKUBIN_BAD_HEADER:
            return "bad header";
        case SKUBIN_BAD_ENTRY:
            return "bad directory entry";
        case SKUBIN_BAD_ENTRY_CHECKSUM:
            return "bad entry checksum";
        case SKUBIN_BAD_FRU:
            return "bad FRU";
        case SKUBIN_BAD_GZIP:
            return "bad gzip";
        case SKUBIN_BAD_XML:
            return "bad XML";
        case SKUBIN_TRAILING_BYTES:
            return "trailing bytes";
    }
    return "unknown";
}

void SkubinReport::defect(SkubinStatus status, const std::string& reason) {
    out << "  DEFECT: " << reason << "\n";
    if (firstStatus != SKUBIN_OK)
        return;
    firstStatus = status;
    firstReason = reason;
}

std::string skubinFormat(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}
