// Walks a FRU image strictly inside its bytes: every index is checked against
// the size (or an area end already checked against it) before it is read,
// and every loop moves forward, so no input can make it read astray or spin.
#include "pelgrin/image/fru_reader.h"

#include <string.h>

namespace {

const size_t HEADER_SIZE = 8;
const size_t HEADER_CHECKSUM_BYTE = 7;
const uint8_t FORMAT_VERSION = 0x01;
const uint8_t FIELD_LENGTH_MASK = 0x3F;

struct AreaRule {
    FruAreaKind kind;
    size_t headerByte;  // the common header byte holding the area's offset
    size_t fixedBytes;  // bytes before the first field
    uint32_t fixedFields;
};

const AreaRule AREA_RULES[] = {
    {FRU_AREA_CHASSIS, 2, 3, FRU_CHASSIS_FIXED_FIELDS},
    {FRU_AREA_BOARD, 3, 6, FRU_BOARD_FIXED_FIELDS},
    {FRU_AREA_PRODUCT, 4, 3, FRU_PRODUCT_FIXED_FIELDS},
};
const size_t AREA_RULE_COUNT = sizeof(AREA_RULES) / sizeof(AREA_RULES[0]);

FruAreaView* areaOf(FruImageView* view, FruAreaKind kind) {
    if (kind == FRU_AREA_CHASSIS)
        return &view->chassis;
    if (kind == FRU_AREA_BOARD)
        return &view->board;
    return &view->product;
}

// Records a defect in its area; the image keeps the first one.
FruReadStatus fail(FruImageView* view, FruReadStatus status, FruAreaKind area, size_t offset) {
    if (area != FRU_AREA_HEADER) {
        areaOf(view, area)->status = status;
        areaOf(view, area)->errorOffset = static_cast<uint32_t>(offset);
    }
    if (view->status == FRU_READ_OK) {
        view->status = status;
        view->errorArea = area;
        view->errorOffset = static_cast<uint32_t>(offset);
    }
    return status;
}

uint8_t sum8(const uint8_t* bytes, size_t start, size_t count) {
    uint8_t sum = 0;
    for (size_t i = start; i < start + count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

FruReadStatus readHeader(const uint8_t* bytes, size_t size, FruImageView* view) {
    if (size < HEADER_SIZE)
        return fail(view, FRU_READ_TRUNCATED, FRU_AREA_HEADER, size);
    if (bytes[0] != FORMAT_VERSION)
        return fail(view, FRU_READ_BAD_HEADER_VERSION, FRU_AREA_HEADER, 0);
    view->internalUseOffset = bytes[1];
    view->multiRecordOffset = bytes[5];
    view->headerChecksum = bytes[HEADER_CHECKSUM_BYTE];
    if (sum8(bytes, 0, HEADER_SIZE) != 0)
        return fail(view, FRU_READ_BAD_HEADER_CHECKSUM, FRU_AREA_HEADER, HEADER_CHECKSUM_BYTE);
    return FRU_READ_OK;
}

// Areas read before `rule` that share a byte with [start, end).
bool overlapsEarlierArea(FruImageView* view, size_t rule, size_t start, size_t end) {
    for (size_t earlier = 0; earlier < rule; ++earlier) {
        const FruAreaView* other = areaOf(view, AREA_RULES[earlier].kind);
        if (other->present && start < other->offset + other->length && other->offset < end)
            return true;
    }
    return false;
}

FruReadStatus readFields(const uint8_t* bytes, size_t position, size_t checksumAt,
                         const AreaRule& rule, FruAreaView* area, FruImageView* view) {
    for (;;) {
        if (position >= checksumAt)
            return fail(view, FRU_READ_NO_END_MARKER, rule.kind, position);
        uint8_t typeLength = bytes[position];
        if (typeLength == FRU_END_MARKER) {
            if (area->fieldCount < rule.fixedFields)
                return fail(view, FRU_READ_MISSING_FIELD, rule.kind, position);
            area->endMarkerOffset = static_cast<uint32_t>(position);
            return FRU_READ_OK;
        }
        size_t length = typeLength & FIELD_LENGTH_MASK;
        if (position + 1 + length > checksumAt)
            return fail(view, FRU_READ_FIELD_OVERRUN, rule.kind, position);
        if (area->fieldCount < FRU_READER_MAX_FIELDS) {
            FruFieldView* field = &area->fields[area->fieldCount];
            field->offset = static_cast<uint32_t>(position);
            field->typeLength = typeLength;
            field->type = static_cast<uint8_t>(typeLength >> 6);
            field->length = static_cast<uint8_t>(length);
        }
        area->fieldCount++;
        position += 1 + length;
    }
}

FruReadStatus checkFreeBytes(const uint8_t* bytes, size_t checksumAt, const AreaRule& rule,
                             FruAreaView* area, FruImageView* view) {
    size_t first = area->endMarkerOffset + 1;
    area->freeBytes = static_cast<uint32_t>(checksumAt - first);
    for (size_t i = first; i < checksumAt; ++i)
        if (bytes[i] != 0)
            return fail(view, FRU_READ_FREE_BYTES_NOT_ZERO, rule.kind, i);
    return FRU_READ_OK;
}

uint32_t readMinutes(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16);
}

FruReadStatus readAreaBody(const uint8_t* bytes, const AreaRule& rule, FruAreaView* area,
                           FruImageView* view) {
    size_t start = area->offset;
    size_t checksumAt = start + area->length - 1;
    area->typeByte = bytes[start + 2];
    if (rule.kind == FRU_AREA_BOARD)
        area->mfgMinutes = readMinutes(bytes + start + 3);
    area->checksum = bytes[checksumAt];
    FruReadStatus status = readFields(bytes, start + rule.fixedBytes, checksumAt, rule, area, view);
    if (status == FRU_READ_OK)
        status = checkFreeBytes(bytes, checksumAt, rule, area, view);
    if (status == FRU_READ_OK && sum8(bytes, start, area->length) != 0)
        status = fail(view, FRU_READ_BAD_AREA_CHECKSUM, rule.kind, checksumAt);
    return status;
}

FruReadStatus readArea(const uint8_t* bytes, size_t size, size_t ruleIndex, FruImageView* view) {
    const AreaRule& rule = AREA_RULES[ruleIndex];
    FruAreaView* area = areaOf(view, rule.kind);
    area->visited = true;
    size_t start = bytes[rule.headerByte] * size_t(8);
    if (start == 0)
        return FRU_READ_OK;  // the area is absent
    area->present = true;
    area->offset = static_cast<uint32_t>(start);
    if (overlapsEarlierArea(view, ruleIndex, start, start + 1))
        return fail(view, FRU_READ_AREA_OVERLAP, rule.kind, start);
    if (start + 2 > size)
        return fail(view, FRU_READ_TRUNCATED, rule.kind, size);
    if (bytes[start] != FORMAT_VERSION)
        return fail(view, FRU_READ_BAD_AREA_VERSION, rule.kind, start);
    area->length = bytes[start + 1] * 8u;
    if (area->length == 0)
        return fail(view, FRU_READ_BAD_AREA_LENGTH, rule.kind, start + 1);
    if (start + area->length > size)
        return fail(view, FRU_READ_TRUNCATED, rule.kind, size);
    if (overlapsEarlierArea(view, ruleIndex, start, start + area->length))
        return fail(view, FRU_READ_AREA_OVERLAP, rule.kind, start);
    return readAreaBody(bytes, rule, area, view);
}

}  // namespace

FruReadStatus fruReadImage(const uint8_t* bytes, size_t size, FruImageView* view) {
    memset(view, 0, sizeof(*view));
    if (bytes == nullptr)
        size = 0;
    FruReadStatus status = readHeader(bytes, size, view);
    for (size_t rule = 0; rule < AREA_RULE_COUNT; ++rule) {
        if (status != FRU_READ_OK && status != FRU_READ_BAD_AREA_CHECKSUM)
            break;
        status = readArea(bytes, size, rule, view);
    }
    return view->status;
}

size_t fruImageExtent(const uint8_t* bytes, size_t size) {
    size_t extent = HEADER_SIZE;
    if (bytes == nullptr || size < HEADER_SIZE || bytes[0] != FORMAT_VERSION ||
        sum8(bytes, 0, HEADER_SIZE) != 0)
        return extent;
    for (const AreaRule& rule : AREA_RULES) {
        size_t start = bytes[rule.headerByte] * size_t(8);
        if (start == 0)
            continue;
        size_t end = start + 2;
        if (start + 1 < size && bytes[start + 1] != 0)
            end = start + bytes[start + 1] * size_t(8);
        if (end > extent)
            extent = end;
    }
    return extent;
}
