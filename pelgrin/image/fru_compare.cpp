#include "pelgrin/image/fru_compare.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/image/fru_reader.h"

namespace {

// Room for two field texts and the words around them.
constexpr size_t COMPARE_LINE_MAX = 2 * FRU_FIELD_TEXT_MAX + 96;

const char* const CHASSIS_FIELDS[] = {"chassis part number", "chassis serial number"};
const char* const BOARD_FIELDS[] = {"board manufacturer", "board product name",
                                    "board serial number", "board part number",
                                    "board FRU file ID"};
const char* const PRODUCT_FIELDS[] = {
    "product manufacturer",  "product name",      "product part number", "product version",
    "product serial number", "product asset tag", "product FRU file ID"};

struct AreaNames {
    const char* area;
    const char* typeByte;
    const char* const* fields;
    uint32_t fixedFields;
};

const AreaNames CHASSIS_NAMES = {"chassis", "chassis type", CHASSIS_FIELDS,
                                 FRU_CHASSIS_FIXED_FIELDS};
const AreaNames BOARD_NAMES = {"board", "board language", BOARD_FIELDS, FRU_BOARD_FIXED_FIELDS};
const AreaNames PRODUCT_NAMES = {"product", "product language", PRODUCT_FIELDS,
                                 FRU_PRODUCT_FIXED_FIELDS};

struct Walk {
    const FruComparison* comparison;
    FruImageView expected;
    FruImageView held;
    uint32_t differences;
};

void report(Walk* walk, const char* line) {
    walk->differences++;
    walk->comparison->sink(walk->comparison->sinkContext, line);
}

void reportValues(Walk* walk, const char* name, const char* heldText, const char* expectedText) {
    char line[COMPARE_LINE_MAX];
    snprintf(line, sizeof line, "%s: BMC holds \"%s\", SKU.BIN has \"%s\"", name, heldText,
             expectedText);
    report(walk, line);
}

void reportNumbers(Walk* walk, const char* name, uint32_t heldValue, uint32_t expectedValue) {
    char line[COMPARE_LINE_MAX];
    snprintf(line, sizeof line, "%s: BMC holds %u, SKU.BIN has %u", name,
             static_cast<unsigned>(heldValue), static_cast<unsigned>(expectedValue));
    report(walk, line);
}

void dateText(uint32_t minutes, char* text, size_t capacity) {
    if (minutes == 0) {
        snprintf(text, capacity, "unspecified");
        return;
    }
    FruDateTime date = fruMinutesToDate(minutes);
    snprintf(text, capacity, "%04u-%02u-%02u %02u:%02u UTC", date.year, date.month, date.day,
             date.hour, date.minute);
}

bool sameField(const Walk* walk, const FruFieldView& held, const FruFieldView& expected) {
    return held.typeLength == expected.typeLength &&
           memcmp(walk->comparison->held + held.offset + 1,
                  walk->comparison->expected + expected.offset + 1, held.length) == 0;
}

void fieldName(const AreaNames& names, uint32_t index, char* name, size_t capacity) {
    if (index < names.fixedFields)
        snprintf(name, capacity, "%s", names.fields[index]);
    else
        snprintf(name, capacity, "%s custom field %u", names.area,
                 static_cast<unsigned>(index - names.fixedFields + 1));
}

void compareField(Walk* walk, const AreaNames& names, uint32_t index, const FruFieldView& held,
                  const FruFieldView& expected) {
    if (sameField(walk, held, expected))
        return;
    char name[64];
    char heldText[FRU_FIELD_TEXT_MAX];
    char expectedText[FRU_FIELD_TEXT_MAX];
    fieldName(names, index, name, sizeof name);
    fruFieldText(walk->comparison->held, walk->comparison->heldSize, &held, heldText,
                 sizeof heldText);
    fruFieldText(walk->comparison->expected, walk->comparison->expectedSize, &expected,
                 expectedText, sizeof expectedText);
    reportValues(walk, name, heldText, expectedText);
}

void compareDate(Walk* walk, const FruAreaView& held, const FruAreaView& expected) {
    if (walk->comparison->mode == FRU_COMPARE_FIELDS_BUT_MFG_DATE ||
        held.mfgMinutes == expected.mfgMinutes)
        return;
    char heldText[32];
    char expectedText[32];
    dateText(held.mfgMinutes, heldText, sizeof heldText);
    dateText(expected.mfgMinutes, expectedText, sizeof expectedText);
    reportValues(walk, "board manufacturing date", heldText, expectedText);
}

void compareArea(Walk* walk, const AreaNames& names, const FruAreaView& held,
                 const FruAreaView& expected) {
    if (held.present != expected.present) {
        char line[COMPARE_LINE_MAX];
        snprintf(line, sizeof line, "%s area: BMC holds %s, SKU.BIN has %s", names.area,
                 held.present ? "one" : "none", expected.present ? "one" : "none");
        report(walk, line);
        return;
    }
    if (!held.present)
        return;
    if (held.typeByte != expected.typeByte)
        reportNumbers(walk, names.typeByte, held.typeByte, expected.typeByte);
    if (&names == &BOARD_NAMES)
        compareDate(walk, held, expected);
    uint32_t kept = held.fieldCount < expected.fieldCount ? held.fieldCount : expected.fieldCount;
    if (kept > FRU_READER_MAX_FIELDS)
        kept = FRU_READER_MAX_FIELDS;
    for (uint32_t i = 0; i < kept; ++i)
        compareField(walk, names, i, held.fields[i], expected.fields[i]);
    if (held.fieldCount != expected.fieldCount) {
        char name[64];
        snprintf(name, sizeof name, "%s area fields", names.area);
        reportNumbers(walk, name, held.fieldCount, expected.fieldCount);
    }
}

size_t firstDifference(const FruComparison& comparison) {
    size_t common = comparison.heldSize < comparison.expectedSize ? comparison.heldSize
                                                                  : comparison.expectedSize;
    for (size_t i = 0; i < common; ++i) {
        if (comparison.held[i] != comparison.expected[i])
            return i;
    }
    return common;
}

void reportOffset(Walk* walk, const char* why) {
    const FruComparison& comparison = *walk->comparison;
    size_t at = firstDifference(comparison);
    char line[COMPARE_LINE_MAX];
    if (at >= comparison.heldSize)
        snprintf(line, sizeof line, "%sthe BMC's bytes end at 0x%04zX", why, at);
    else if (at >= comparison.expectedSize)
        snprintf(line, sizeof line, "%sthe BMC holds bytes past SKU.BIN's 0x%04zX", why, at);
    else
        snprintf(line, sizeof line,
                 "%sfirst difference at byte 0x%04zX: BMC holds 0x%02X, "
                 "SKU.BIN has 0x%02X",
                 why, at, comparison.held[at], comparison.expected[at]);
    report(walk, line);
}

bool areaTooSmall(Walk* walk) {
    const FruComparison& comparison = *walk->comparison;
    if (comparison.mode != FRU_COMPARE_EVERY_BYTE || comparison.heldSize >= comparison.expectedSize)
        return false;
    char line[COMPARE_LINE_MAX];
    snprintf(line, sizeof line, "the BMC's FRU area holds %zu bytes, SKU.BIN's FRU image %zu",
             comparison.heldSize, comparison.expectedSize);
    report(walk, line);
    return true;
}

}  // namespace

FruCompareResult fruCompare(const FruComparison& comparison) {
    Walk walk;
    memset(&walk, 0, sizeof walk);
    walk.comparison = &comparison;
    // After an upload only the image's own span decides; a larger area's
    // tail is whatever the BMC keeps there.
    if (comparison.mode == FRU_COMPARE_EVERY_BYTE &&
        comparison.heldSize >= comparison.expectedSize &&
        memcmp(comparison.held, comparison.expected, comparison.expectedSize) == 0)
        return FRU_SAME;
    fruReadImage(comparison.expected, comparison.expectedSize, &walk.expected);
    // The BMC's image is decoded as far as its own header says, whatever its
    // length against SKU.BIN's: another unit's longer texts still decode.
    FruReadStatus heldStatus = fruReadImage(comparison.held, comparison.heldSize, &walk.held);
    if (heldStatus != FRU_READ_OK) {
        if (areaTooSmall(&walk))
            return FRU_DIFFERENT;
        char why[96];
        snprintf(why, sizeof why, "the BMC's FRU does not decode (%s, %s); ",
                 fruReadStatusText(heldStatus), fruAreaName(walk.held.errorArea));
        reportOffset(&walk, why);
        return FRU_DIFFERENT;
    }
    compareArea(&walk, CHASSIS_NAMES, walk.held.chassis, walk.expected.chassis);
    compareArea(&walk, BOARD_NAMES, walk.held.board, walk.expected.board);
    compareArea(&walk, PRODUCT_NAMES, walk.held.product, walk.expected.product);
    // Equal fields with unequal bytes: the header or the areas' layout.
    if (walk.differences == 0 && comparison.mode == FRU_COMPARE_EVERY_BYTE)
        reportOffset(&walk, "");
    return walk.differences == 0 ? FRU_SAME : FRU_DIFFERENT;
}
