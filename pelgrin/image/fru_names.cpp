#include "pelgrin/image/fru_reader.h"

const char* fruReadStatusText(FruReadStatus status) {
    switch (status) {
        case FRU_READ_OK:
            return "ok";
        case FRU_READ_TRUNCATED:
            return "truncated";
        case FRU_READ_BAD_HEADER_VERSION:
            return "common header format version is not 1";
        case FRU_READ_BAD_HEADER_CHECKSUM:
            return "common header checksum does not sum to 0";
        case FRU_READ_AREA_OVERLAP:
            return "area overlaps an earlier area";
        case FRU_READ_BAD_AREA_VERSION:
            return "area format version is not 1";
        case FRU_READ_BAD_AREA_LENGTH:
            return "area length is 0";
        case FRU_READ_FIELD_OVERRUN:
            return "field runs into the area checksum";
        case FRU_READ_MISSING_FIELD:
            return "end marker before the fixed fields";
        case FRU_READ_NO_END_MARKER:
            return "no end marker (0xC1) before the area checksum";
        case FRU_READ_FREE_BYTES_NOT_ZERO:
            return "free byte after the end marker is not 0";
        case FRU_READ_BAD_AREA_CHECKSUM:
            return "area checksum does not sum to 0";
    }
    return "unknown defect";
}

const char* fruAreaName(FruAreaKind kind) {
    switch (kind) {
        case FRU_AREA_HEADER:
            return "common header";
        case FRU_AREA_CHASSIS:
            return "chassis area";
        case FRU_AREA_BOARD:
            return "board area";
        case FRU_AREA_PRODUCT:
            return "product area";
    }
    return "unknown area";
}

const char* fruFieldTypeName(uint8_t type) {
    switch (type) {
        case FRU_FIELD_BINARY:
            return "binary";
        case FRU_FIELD_BCD_PLUS:
            return "BCD plus";
        case FRU_FIELD_SIXBIT_ASCII:
            return "6-bit ASCII";
        case FRU_FIELD_TEXT:
            return "8-bit ASCII";
    }
    return "unknown";
}
