// The write-back map: which given value replaces which element's text.
#include "pelgrin/sku/write_back.h"

#include <stdio.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/find_element.h"
#include "pelgrin/sku/mac_text.h"
#include "pelgrin/xml/xml_chardata_check.h"

namespace {

struct WriteBackRow {
    const char* keyword;
    const char* SkuContext::*value;
    const char* path;
    const char* missingMessage;
    bool isMacAddress;
};

// Every message but the first ends its line; the first has always been
// printed without a line break, and stays so.
const WriteBackRow WRITE_BACK_MAP[] = {
    {"WS", &SkuContext::writeSelection, "/VELSKU/Requirement/WriteSelection",
     "Error! Not found \"WriteSelection\" in SKU.xml", false},
    {"MainMAC", &SkuContext::mainMac, "/VELSKU/BoardInfo/Main/NIC/Interface1/MacAddr0",
     "Error! Not found Dedicated MAC Address in SKU.xml\n", true},
    {"ShareMAC", &SkuContext::shareMac, "/VELSKU/BoardInfo/Main/NIC/Interface2/MacAddr0",
     "Error! Not found Shared MAC Address in SKU.xml\n", true},
    {"CSN", &SkuContext::chassisSerialNumber, "/VELSKU/FRU/ChassisSerialNumber",
     "Error! Not found Chassis Serial Number in SKU.xml\n", false},
    {"CPN", &SkuContext::chassisPartNumber, "/VELSKU/FRU/ChassisPartNumber",
     "Error! Not found Chassis Part Number in SKU.xml\n", false},
    {"BSN", &SkuContext::boardSerialNumber, "/VELSKU/FRU/BoardSerialNumber",
     "Error! Not found Board Serial Number in SKU.xml\n", false},
    {"BPN", &SkuContext::boardPartNumber, "/VELSKU/FRU/BoardPartNumber",
     "Error! Not found Board Part Number in SKU.xml\n", false},
    {"PSN", &SkuContext::productSerialNumber, "/VELSKU/FRU/ProductSerialNumber",
     "Error! Not found Product Serial Number in SKU.xml\n", false},
    {"PPN", &SkuContext::productPartNumber, "/VELSKU/FRU/ProductPartNumber",
     "Error! Not found Product Part Number in SKU.xml\n", false},
    {"ASSET", &SkuContext::assetTag, "/VELSKU/FRU/AssetTag",
     "Error! Not found AssetTag in SKU.xml\n", false},
    {"RU", &SkuContext::rmcUnit, "/VELSKU/OpenRackInfo/RMCUnit",
     "Error! Not found RMC Unit in SKU.xml\n", false},
    {"NU", &SkuContext::nodeUnit, "/VELSKU/OpenRackInfo/NodeUnit",
     "Error! Not found Node Unit in SKU.xml\n", false},
    {"PB", &SkuContext::powerBank, "/VELSKU/OpenRackInfo/PowerBank",
     "Error! Not found Power bank in SKU.xml\n", false},
    {"PV", &SkuContext::productVersion, "/VELSKU/FRU/ProductVersion",
     "Error! Not found Product Version in SKU.xml\n", false},
};

int applyRow(XmlElement* root, const char* value, const WriteBackRow& row) {
    if (!isXmlText(value)) {
        printf("Error! The %s value holds a character that mysku.xml cannot carry\n", row.keyword);
        return RUN_BAD_GIVEN_VALUE;
    }
    XmlElement* element = nullptr;
    findElement(root, row.path, &element);
    if (element == nullptr) {
        printf("%s", row.missingMessage);
        return RUN_BAD_DESCRIPTION;
    }
    // The MAC text lives in one shared area: it is copied before the next call.
    const char* text = row.isMacAddress ? formatMacText(value) : value;
    if (xmlSetText(element, text))
        return RUN_OK;
    printf("Error! Not enough memory\n");
    return RUN_OUT_OF_MEMORY;
}

}  // namespace

int writeBackGivenValues(XmlElement* root, const SkuContext* context) {
    for (const WriteBackRow& row : WRITE_BACK_MAP) {
        const char* value = context->*row.value;
        if (value == nullptr)
            continue;
        int status = applyRow(root, value, row);
        if (status != RUN_OK)
            return status;
    }
    return RUN_OK;
}

bool descriptionTakesGivenValue(const char* SkuContext::*field) {
    for (const WriteBackRow& row : WRITE_BACK_MAP) {
        if (row.value == field)
            return true;
    }
    return false;
}
