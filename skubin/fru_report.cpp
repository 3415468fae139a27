// The FRU entry decoded area by area with the shared FRU reader.
#include "pelgrin/image/fru_reader.h"
#include "skubin/skubin_report.h"

namespace {

const char* const CHASSIS_FIELDS[] = {"part number", "serial number"};
const char* const BOARD_FIELDS[] = {"manufacturer", "product name", "serial number", "part number",
                                    "FRU file ID"};
const char* const PRODUCT_FIELDS[] = {"manufacturer", "product name",  "part/model number",
                                      "version",      "serial number", "asset tag",
                                      "FRU file ID"};
const uint8_t LANGUAGE_ENGLISH = 25;

struct AreaShape {
    FruAreaKind kind;
    const char* const* fieldNames;
    uint32_t fixedFields;
};

std::string fieldLabel(const AreaShape& shape, uint32_t index) {
    if (index < shape.fixedFields)
        return shape.fieldNames[index];
    return skubinFormat("custom field %u", index - shape.fixedFields + 1);
}

void printFields(const SkubinEntryData& fru, const FruAreaView& area, const AreaShape& shape,
                 std::ostream& out) {
    for (uint32_t i = 0; i < area.fieldCount && i < FRU_READER_MAX_FIELDS; ++i) {
        const FruFieldView& field = area.fields[i];
        char text[FRU_FIELD_TEXT_MAX];
        fruFieldText(fru.bytes, fru.size, &field, text, sizeof(text));
        out << skubinFormat("    %-18s %-12s %2u bytes  \"%s\"\n", fieldLabel(shape, i).c_str(),
                            fruFieldTypeName(field.type), field.length, text);
    }
    if (area.fieldCount > FRU_READER_MAX_FIELDS)
        out << skubinFormat("    ... %u more custom fields\n",
                            area.fieldCount - FRU_READER_MAX_FIELDS);
}

std::string dateText(uint32_t minutes) {
    if (minutes == 0)
        return "unspecified";
    FruDateTime date = fruMinutesToDate(minutes);
    return skubinFormat("%04u-%02u-%02u %02u:%02u UTC", date.year, date.month, date.day, date.hour,
                        date.minute);
}

std::string languageText(uint8_t code) {
    if (code == 0 || code == LANGUAGE_ENGLISH)
        return skubinFormat("%u (English)", code);
    return skubinFormat("%u", code);
}

void printAreaStart(const FruAreaView& area, const AreaShape& shape, std::ostream& out) {
    out << skubinFormat("  %s at 0x%03X, %u bytes\n", fruAreaName(shape.kind), area.offset,
                        area.length);
    if (shape.kind == FRU_AREA_CHASSIS) {
        out << skubinFormat("    chassis type       0x%02X %s\n", area.typeByte,
                            smbiosChassisTypeName(area.typeByte));
        return;
    }
    out << "    language           " << languageText(area.typeByte) << "\n";
    if (shape.kind == FRU_AREA_BOARD)
        out << skubinFormat("    mfg date/time      %s (0x%06X minutes since 1996-01-01)\n",
                            dateText(area.mfgMinutes).c_str(), area.mfgMinutes);
}

uint8_t areaSum(const SkubinEntryData& fru, const FruAreaView& area) {
    uint8_t sum = 0;
    for (uint32_t i = area.offset; i < area.offset + area.length; ++i)
        sum = static_cast<uint8_t>(sum + fru.bytes[i]);
    return sum;
}

bool failedBeforeFields(FruReadStatus status) {
    return status == FRU_READ_TRUNCATED || status == FRU_READ_AREA_OVERLAP ||
           status == FRU_READ_BAD_AREA_VERSION || status == FRU_READ_BAD_AREA_LENGTH;
}

void printArea(const SkubinEntryData& fru, const FruAreaView& area, const AreaShape& shape,
               std::ostream& out) {
    if (!area.visited)
        return;
    if (!area.present) {
        out << "  " << fruAreaName(shape.kind) << ": absent\n";
        return;
    }
    if (failedBeforeFields(area.status)) {
        out << skubinFormat("  %s at 0x%03X: not decoded\n", fruAreaName(shape.kind), area.offset);
        return;
    }
    printAreaStart(area, shape, out);
    printFields(fru, area, shape, out);
    if (area.status != FRU_READ_OK && area.status != FRU_READ_BAD_AREA_CHECKSUM)
        return;
    out << skubinFormat("    free bytes         %u\n", area.freeBytes);
    out << skubinFormat("    checksum           0x%02X %s\n", area.checksum,
                        areaSum(fru, area) == 0 ? "OK" : "BAD");
}

void printHeader(const SkubinEntryData& fru, const FruImageView& view, std::ostream& out) {
    const uint8_t* header = fru.bytes;
    out << skubinFormat(
        "  common header: chassis 0x%03X, board 0x%03X, product 0x%03X, internal use 0x%03X, "
        "multi-record 0x%03X\n",
        header[2] * 8, header[3] * 8, header[4] * 8, header[1] * 8, header[5] * 8);
    bool checksumBad = view.status == FRU_READ_BAD_HEADER_CHECKSUM;
    out << skubinFormat("    checksum           0x%02X %s\n", header[7],
                        checksumBad ? "BAD" : "OK");
}

const size_t FRU_HEADER_BYTES = 8;

void reportDefect(FruAreaKind area, FruReadStatus status, uint32_t offset, SkubinReport* report) {
    report->defect(SKUBIN_BAD_FRU,
                   skubinFormat("FRU %s: %s at FRU offset 0x%03X", fruAreaName(area),
                                fruReadStatusText(status), offset));
}

}  // namespace

void reportFru(const SkubinEntryData& fru, SkubinReport* report) {
    std::ostream& out = report->out;
    out << skubinFormat("FRU image (%zu bytes)\n", fru.size);
    if (!fru.usable) {
        report->defect(SKUBIN_BAD_FRU, "no FRU image to decode");
        return;
    }
    FruImageView view;
    fruReadImage(fru.bytes, fru.size, &view);
    if (fru.size >= FRU_HEADER_BYTES)
        printHeader(fru, view, out);
    const AreaShape shapes[] = {
        {FRU_AREA_CHASSIS, CHASSIS_FIELDS, FRU_CHASSIS_FIXED_FIELDS},
        {FRU_AREA_BOARD, BOARD_FIELDS, FRU_BOARD_FIXED_FIELDS},
        {FRU_AREA_PRODUCT, PRODUCT_FIELDS, FRU_PRODUCT_FIXED_FIELDS},
    };
    const FruAreaView* areas[] = {&view.chassis, &view.board, &view.product};
    for (size_t i = 0; i < 3; ++i) {
        printArea(fru, *areas[i], shapes[i], out);
        if (areas[i]->status != FRU_READ_OK)
            reportDefect(shapes[i].kind, areas[i]->status, areas[i]->errorOffset, report);
    }
    if (view.status != FRU_READ_OK && view.errorArea == FRU_AREA_HEADER)
        reportDefect(FRU_AREA_HEADER, view.status, view.errorOffset, report);
}
