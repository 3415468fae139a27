// Checks and decodes a FRU information image (IPMI Platform Management FRU
// Information Storage Definition): the common header and the chassis, board
// and product areas. Nothing is copied or allocated: the result describes
// where each part lies in the caller's bytes. No byte outside [0, size) is
// ever read, whatever the bytes hold.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum FruReadStatus {
    FRU_READ_OK = 0,
    FRU_READ_TRUNCATED,            // the bytes end inside the header or an area
    FRU_READ_BAD_HEADER_VERSION,   // common header byte 0 is not 0x01
    FRU_READ_BAD_HEADER_CHECKSUM,  // the 8 header bytes do not sum to 0
    FRU_READ_AREA_OVERLAP,         // an area shares bytes with an earlier one
    FRU_READ_BAD_AREA_VERSION,     // area byte 0 is not 0x01
    FRU_READ_BAD_AREA_LENGTH,      // area length byte 0
    FRU_READ_FIELD_OVERRUN,        // a field runs into the area's checksum byte
    FRU_READ_MISSING_FIELD,        // end marker before the area's fixed fields
    FRU_READ_NO_END_MARKER,        // no 0xC1 before the checksum byte
    FRU_READ_FREE_BYTES_NOT_ZERO,  // a byte between 0xC1 and the checksum is not 0
    FRU_READ_BAD_AREA_CHECKSUM,    // the area's bytes do not sum to 0
};

enum FruAreaKind { FRU_AREA_HEADER = 0, FRU_AREA_CHASSIS, FRU_AREA_BOARD, FRU_AREA_PRODUCT };

// Type codes of a type/length byte (bits 7:6).
enum FruFieldType {
    FRU_FIELD_BINARY = 0,
    FRU_FIELD_BCD_PLUS = 1,
    FRU_FIELD_SIXBIT_ASCII = 2,
    FRU_FIELD_TEXT = 3,  // 8-bit ASCII + Latin-1
};

#define FRU_END_MARKER 0xC1
#define FRU_CHASSIS_FIXED_FIELDS 2
#define FRU_BOARD_FIXED_FIELDS 5
#define FRU_PRODUCT_FIXED_FIELDS 7
// Fields kept per area; further custom fields are checked and counted only.
#define FRU_READER_MAX_FIELDS 16

struct FruFieldView {
    uint32_t offset;  // of the type/length byte; the data follows it
    uint8_t typeLength;
    uint8_t type;    // FruFieldType
    uint8_t length;  // data bytes
};

struct FruAreaView {
    bool visited;          // the walk got as far as this area
    bool present;          // header offset byte not 0
    FruReadStatus status;  // this area's own first defect
    uint32_t errorOffset;
    uint32_t offset;      // in bytes from the image start
    uint32_t length;      // in bytes, from the area's length byte
    uint8_t typeByte;     // chassis type, or the language code
    uint32_t mfgMinutes;  // board only: minutes since 1996-01-01 00:00 UTC, 0 = unspecified
    uint32_t fieldCount;  // fixed and custom fields, all checked
    FruFieldView fields[FRU_READER_MAX_FIELDS];
    uint32_t endMarkerOffset;
    uint32_t freeBytes;  // between the end marker and the checksum byte
    uint8_t checksum;    // the area's last byte
};

struct FruImageView {
    FruReadStatus status;
    FruAreaKind errorArea;      // where the first defect was found
    uint32_t errorOffset;       // its offset; for FRU_READ_TRUNCATED where the bytes end
    uint8_t internalUseOffset;  // header bytes 1 and 5, in 8-byte units: kept, not decoded
    uint8_t multiRecordOffset;
    uint8_t headerChecksum;
    FruAreaView chassis;
    FruAreaView board;
    FruAreaView product;
};

// Fills `view` and returns the first defect's status. A wrong area checksum
// leaves the layout trustworthy, so the walk goes on to the next area; any
// other defect ends it.
FruReadStatus fruReadImage(const uint8_t* bytes, size_t size, FruImageView* view);

// How many bytes the image says it spans, as far as its first `size` bytes
// show: the common header and each present chassis, board or product area to
// the end its length byte gives. An area whose length byte lies past `size`
// counts up to that byte, so that a reader fetching an image of unknown
// length knows to fetch on; a header that is no FRU header counts 8 bytes.
size_t fruImageExtent(const uint8_t* bytes, size_t size);

// Texts for people.
const char* fruReadStatusText(FruReadStatus status);
const char* fruAreaName(FruAreaKind kind);
const char* fruFieldTypeName(uint8_t type);

// A field's data as text: 8-bit text as is (bytes outside 0x20-0x7E as \xHH),
// 6-bit packed ASCII and BCD plus unpacked, binary as hexadecimal pairs.
// Always terminated; cut to fit `capacity`. Returns the text's length.
#define FRU_FIELD_TEXT_MAX 256
size_t fruFieldText(const uint8_t* bytes, size_t size, const FruFieldView* field, char* text,
                    size_t capacity);

struct FruDateTime {
    uint16_t year;
    uint8_t month;  // 1-12
    uint8_t day;    // 1-31
    uint8_t hour;
    uint8_t minute;
};

// Minutes since 1996-01-01 00:00 UTC to the calendar (proleptic Gregorian).
FruDateTime fruMinutesToDate(uint32_t minutes);
