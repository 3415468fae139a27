// Lays the FRU image out in the builder's buffer: common header, then the
// chassis, board and product areas, each closed by a zero checksum.
#include <string.h>

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/image/fru_builder_record.h"

namespace {

const uint8_t FRU_FORMAT_VERSION = 0x01;
const uint8_t FRU_TYPE_TEXT_8BIT = 0xC0;
const uint8_t FRU_TYPE_SIXBIT = 0x80;
const uint8_t FRU_END_OF_FIELDS = 0xC1;
const size_t FRU_HEADER_SIZE = 8;
const size_t FRU_CHASSIS_OFFSET_BYTE = 2;
const size_t FRU_BOARD_OFFSET_BYTE = 3;
const size_t FRU_PRODUCT_OFFSET_BYTE = 4;
const size_t FRU_HEADER_CHECKSUM_BYTE = 7;

// Write position in the buffer. Writes past the capacity are dropped and
// remembered, so a buffer that is too small can never be overrun.
struct FruWriter {
    uint8_t* buffer;
    size_t capacity;
    size_t position;
    bool overflow;
};

void putByte(FruWriter* writer, uint8_t value) {
    if (writer->position < writer->capacity)
        writer->buffer[writer->position] = value;
    else
        writer->overflow = true;
    writer->position++;
}

size_t roundUp8(size_t value) {
    return (value + 7) & ~static_cast<size_t>(7);
}

uint8_t zeroChecksum(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(-sum);
}

size_t encodedLength(const char* text) {
    if (text == nullptr)
        return 0;
    size_t length = strlen(text);
    // The type/length byte has six bits for the length.
    return length < FRU_MAX_TEXT ? length : FRU_MAX_TEXT;
}

// A one-byte 8-bit field would read 0xC1, the end-of-fields marker, so a
// single character goes out as 6-bit packed ASCII instead. A character that
// 6-bit ASCII cannot hold (outside 0x20-0x5F) is written as an empty field:
// the SKU reader refuses such texts before they get here, and 0xC1 must
// never appear as a field's type/length.
void putSingleCharacter(FruWriter* writer, uint8_t character) {
    if (character < 0x20 || character > 0x5F) {
        putByte(writer, FRU_TYPE_TEXT_8BIT);
        return;
    }
    putByte(writer, FRU_TYPE_SIXBIT | 1);
    putByte(writer, static_cast<uint8_t>((character - 0x20) & 0x3F));
}

void putTextField(FruWriter* writer, const char* text) {
    size_t length = encodedLength(text);
    if (length == 1) {
        putSingleCharacter(writer, static_cast<uint8_t>(text[0]));
        return;
    }
    putByte(writer, static_cast<uint8_t>(FRU_TYPE_TEXT_8BIT | length));
    for (size_t i = 0; i < length; ++i)
        putByte(writer, static_cast<uint8_t>(text[i]));
}

void beginArea(FruWriter* writer, uint8_t typeByte) {
    putByte(writer, FRU_FORMAT_VERSION);
    putByte(writer, 0);  // length, known when the area is closed
    putByte(writer, typeByte);
}

// Closes the area that starts at `areaStart`: an empty field, the end marker,
// zeros to the next 8-byte boundary, then one more unit ending in the
// checksum. Leaves the writer at the next area's start.
void closeArea(FruWriter* writer, size_t areaStart) {
    putByte(writer, FRU_TYPE_TEXT_8BIT);
    putByte(writer, FRU_END_OF_FIELDS);
    size_t contentEnd = roundUp8(writer->position);
    size_t areaLength = contentEnd - areaStart + 8;
    writer->position = areaStart + areaLength;
    if (writer->position > writer->capacity) {
        writer->overflow = true;
        return;
    }
    uint8_t* area = writer->buffer + areaStart;
    area[1] = static_cast<uint8_t>(areaLength / 8);
    area[areaLength - 1] = zeroChecksum(area, areaLength - 1);
}

void putChassisArea(FruWriter* writer, const FruBuilder* builder) {
    beginArea(writer, builder->chassisType);
    putTextField(writer, builder->chassisPartNumber);
    putTextField(writer, builder->chassisSerialNumber);
}

void putBoardArea(FruWriter* writer, const FruBuilder* builder) {
    beginArea(writer, builder->boardLanguage);
    for (size_t i = 0; i < FRU_DATE_TIME_BYTES; ++i)
        putByte(writer, builder->boardMfgDateTime[i]);
    putTextField(writer, builder->boardManufacturer);
    putTextField(writer, builder->boardProductName);
    putTextField(writer, builder->boardSerialNumber);
    putTextField(writer, builder->boardPartNumber);
    putTextField(writer, builder->boardFileId);
}

void putProductArea(FruWriter* writer, const FruBuilder* builder) {
    beginArea(writer, builder->productLanguage);
    putTextField(writer, builder->productManufacturer);
    putTextField(writer, builder->productName);
    putTextField(writer, builder->productPartNumber);
    putTextField(writer, builder->productVersion);
    putTextField(writer, builder->productSerialNumber);
    putTextField(writer, builder->productAssetTag);
    putTextField(writer, builder->productFileId);
}

typedef void (*AreaWriter)(FruWriter* writer, const FruBuilder* builder);

void putArea(FruWriter* writer, const FruBuilder* builder, size_t headerByte, AreaWriter body) {
    size_t areaStart = writer->position;
    if (headerByte < writer->capacity)
        writer->buffer[headerByte] = static_cast<uint8_t>(areaStart / 8);
    body(writer, builder);
    closeArea(writer, areaStart);
}

}  // namespace

int fruBuilderBuild(FruBuilder* builder, const uint8_t** image, uint64_t* size) {
    if (builder == nullptr || image == nullptr || size == nullptr)
        return FRU_BUILD_FAILED;
    FruWriter writer = {builder->bufferStart, builder->capacity, 0, false};
    memset(writer.buffer, 0, writer.capacity);
    putByte(&writer, FRU_FORMAT_VERSION);
    writer.position = FRU_HEADER_SIZE;
    putArea(&writer, builder, FRU_CHASSIS_OFFSET_BYTE, putChassisArea);
    putArea(&writer, builder, FRU_BOARD_OFFSET_BYTE, putBoardArea);
    putArea(&writer, builder, FRU_PRODUCT_OFFSET_BYTE, putProductArea);
    *image = builder->imageStart;
    if (writer.overflow) {
        // The buffer is sized for the largest image; a smaller one gives no
        // image rather than a cut one.
        *size = 0;
        return FRU_BUILD_FAILED;
    }
    writer.buffer[FRU_HEADER_CHECKSUM_BYTE] = zeroChecksum(writer.buffer, FRU_HEADER_CHECKSUM_BYTE);
    *size = writer.position;
    return FRU_BUILD_OK;
}
