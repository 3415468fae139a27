// The field map of the FRU image, in the order the fields are set.
#include "pelgrin/sku/fru_fields.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/find_element.h"
#include "pelgrin/sku/fru_field_fit.h"
#include "pelgrin/sku/mfg_date.h"

namespace {

struct FruFieldRow {
    FruField field;
    const char* path;  // null: the value does not come from SKU.xml
    const char* subject;
    // The operator's value that replaces the element's text, when given.
    const char* SkuContext::*given;
    const char* givenSubject;
};

// Only the serial numbers come from the command line: given part numbers,
// product version and asset tag reach mysku.xml alone, and the FRU image
// keeps the description's.
const FruFieldRow FRU_FIELD_MAP[] = {
    {FRU_CHASSIS_TYPE, "/VELSKU/FRU/ChassisType", "FRU/ChassisType in SKU.xml", nullptr, nullptr},
    {FRU_CHASSIS_PART_NUMBER, "/VELSKU/FRU/ChassisPartNumber", "FRU/ChassisPartNumber in SKU.xml",
     nullptr, nullptr},
    {FRU_CHASSIS_SERIAL_NUMBER, "/VELSKU/FRU/ChassisSerialNumber",
     "FRU/ChassisSerialNumber in SKU.xml", &SkuContext::chassisSerialNumber, "The CSN value"},
    {FRU_BOARD_MFG_DATE_TIME, nullptr, nullptr, nullptr, nullptr},
    {FRU_BOARD_MANUFACTURER, "/VELSKU/FRU/BoardManufacturerName",
     "FRU/BoardManufacturerName in SKU.xml", nullptr, nullptr},
    {FRU_BOARD_PRODUCT_NAME, "/VELSKU/FRU/BoardProductName", "FRU/BoardProductName in SKU.xml",
     nullptr, nullptr},
    {FRU_BOARD_SERIAL_NUMBER, "/VELSKU/FRU/BoardSerialNumber", "FRU/BoardSerialNumber in SKU.xml",
     &SkuContext::boardSerialNumber, "The BSN value"},
    {FRU_BOARD_PART_NUMBER, "/VELSKU/FRU/BoardPartNumber", "FRU/BoardPartNumber in SKU.xml",
     nullptr, nullptr},
    {FRU_PRODUCT_MANUFACTURER, "/VELSKU/FRU/ProductManufacturerName",
     "FRU/ProductManufacturerName in SKU.xml", nullptr, nullptr},
    {FRU_PRODUCT_NAME, "/VELSKU/FRU/ProductName", "FRU/ProductName in SKU.xml", nullptr, nullptr},
    {FRU_PRODUCT_SERIAL_NUMBER, "/VELSKU/FRU/ProductSerialNumber",
     "FRU/ProductSerialNumber in SKU.xml", &SkuContext::productSerialNumber, "The PSN value"},
    {FRU_PRODUCT_PART_NUMBER, "/VELSKU/FRU/ProductPartNumber", "FRU/ProductPartNumber in SKU.xml",
     nullptr, nullptr},
    {FRU_PRODUCT_VERSION, "/VELSKU/FRU/ProductVersion", "FRU/ProductVersion in SKU.xml", nullptr,
     nullptr},
    {FRU_PRODUCT_ASSET_TAG, "/VELSKU/FRU/AssetTag", "FRU/AssetTag in SKU.xml", nullptr, nullptr},
};

int outOfMemory() {
    printf("Error! Not enough memory\n");
    return RUN_OUT_OF_MEMORY;
}

// Read as strtol reads base 16 ("17", "0x17"), low 8 bits kept ("117" -> 0x17).
int setChassisType(XmlElement* root, const FruFieldRow& row, FruBuilder* builder) {
    XmlElement* element = nullptr;
    const char* text = findElement(root, row.path, &element);
    if (element == nullptr) {
        printf("Error! Not found FRU/ChassisType in SKU.xml\n");
        return RUN_BAD_DESCRIPTION;
    }
    uint8_t type = static_cast<uint8_t>(strtol(text ? text : "", nullptr, 16) & 0xFF);
    return fruBuilderSet(builder, row.field, &type, 1) == FRU_BUILD_OK ? RUN_OK : outOfMemory();
}

// A clock past the 24-bit range would wrap to a date that reads as 1996;
// 0 says "unspecified" instead.
int setManufacturingDate(const FruFieldRow& row, FruBuilder* builder) {
    int minutes = minutesSince1996();
    if (minutes > MFG_DATE_LIMIT) {
        printf(
            "Warning! The clock is past 2027-11-24 20:15, the last FRU manufacturing date;"
            " the date is left unspecified\n");
        minutes = 0;
    } else if (minutes < 0) {
        minutes = 0;
    }
    uint8_t bytes[3] = {static_cast<uint8_t>(minutes), static_cast<uint8_t>(minutes >> 8),
                        static_cast<uint8_t>(minutes >> 16)};
    return fruBuilderSet(builder, row.field, bytes, sizeof bytes) == FRU_BUILD_OK ? RUN_OK
                                                                                  : outOfMemory();
}

// An absent element gives an empty field.
int setText(XmlElement* root, const SkuContext* context, const FruFieldRow& row,
            FruBuilder* builder) {
    const char* given = row.given ? context->*row.given : nullptr;
    const char* text = given ? given : findElement(root, row.path, nullptr);
    if (text == nullptr)
        text = "";
    int status = given ? checkFruText(text, row.givenSubject, RUN_BAD_GIVEN_VALUE)
                       : checkFruText(text, row.subject, RUN_BAD_DESCRIPTION);
    if (status != RUN_OK)
        return status;
    return fruBuilderSet(builder, row.field, text, strlen(text)) == FRU_BUILD_OK ? RUN_OK
                                                                                 : outOfMemory();
}

int setField(XmlElement* root, const SkuContext* context, const FruFieldRow& row,
             FruBuilder* builder) {
    switch (row.field) {
        case FRU_CHASSIS_TYPE:
            return setChassisType(root, row, builder);
        case FRU_BOARD_MFG_DATE_TIME:
            return setManufacturingDate(row, builder);
        default:
            return setText(root, context, row, builder);
    }
}

}  // namespace

int setFruFields(XmlElement* root, const SkuContext* context, FruBuilder* builder) {
    for (const FruFieldRow& row : FRU_FIELD_MAP) {
        int status = setField(root, context, row, builder);
        if (status != RUN_OK)
            return status;
    }
    return RUN_OK;
}

bool fruTakesGivenValue(const char* SkuContext::*field) {
    for (const FruFieldRow& row : FRU_FIELD_MAP) {
        if (row.given != nullptr && row.given == field)
            return true;
    }
    return false;
}
