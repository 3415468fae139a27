#include "pelgrin/sku/read_phase.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/run/sku_context.h"
#include "pelgrin/sku/find_element.h"
#include "pelgrin/sku/fru_fields.h"
#include "pelgrin/sku/version_gate.h"

namespace {

const size_t FRU_IMAGE_CAPACITY = 2048;

int checkRoot(const XmlElement* root) {
    if (strcmp(root->name, "VELSKU") == 0)
        return RUN_OK;
    printf("Error! The root element of %s is %s, not VELSKU\n", SKU_FILE, root->name);
    return RUN_BAD_DESCRIPTION;
}

int checkVersion(XmlElement* root) {
    XmlElement* element = nullptr;
    const char* required = findElement(root, "/VELSKU/Requirement/Pelgrin", &element);
    if (element == nullptr) {
        printf("Error! Not found Requirement/Pelgrin in %s\n", SKU_FILE);
        return RUN_BAD_DESCRIPTION;
    }
    if (required == nullptr) {
        printf("Error! Requirement/Pelgrin in %s is empty\n", SKU_FILE);
        return RUN_BAD_DESCRIPTION;
    }
    if (!isVersionOlder(PELGRIN_VERSION, required))
        return RUN_OK;
    printf("Error! pelgrin.exe Version %s is old\n", PELGRIN_VERSION);
    printf("Error! The SKU.xml requires pelgrin.exe Version %s\n", required);
    return RUN_NEEDS_NEWER_TOOL;
}

// An absent element leaves the field empty.
int copyIdentity(XmlElement* root, const char* path, char* field, size_t fieldSize) {
    const char* text = findElement(root, path, nullptr);
    if (text == nullptr)
        text = "";
    size_t length = strlen(text);
    if (length >= fieldSize) {
        printf("Error! %s in %s is longer than %d characters\n", path + strlen("/VELSKU/"),
               SKU_FILE, static_cast<int>(fieldSize - 1));
        return RUN_BAD_DESCRIPTION;
    }
    memcpy(field, text, length + 1);
    return RUN_OK;
}

int readIdentity(XmlElement* root, SkuContext* context) {
    int status =
        copyIdentity(root, "/VELSKU/RandCode", context->randCode, sizeof context->randCode);
    if (status != RUN_OK)
        return status;
    return copyIdentity(root, "/VELSKU/BoardInfo/Main/ID", context->boardId,
                        sizeof context->boardId);
}

int buildFruImage(XmlElement* root, SkuContext* context, FruBuilder** builder) {
    *builder = fruBuilderCreate(FRU_IMAGE_CAPACITY);
    if (*builder == nullptr) {
        printf("Error! Not enough memory\n");
        return RUN_OUT_OF_MEMORY;
    }
    int status = setFruFields(root, context, *builder);
    if (status != RUN_OK)
        return status;
    if (fruBuilderBuild(*builder, &context->fruImage, &context->fruImageSize) == FRU_BUILD_OK)
        return RUN_OK;
    printf("Error! The FRU image does not fit in %d bytes\n", static_cast<int>(FRU_IMAGE_CAPACITY));
    return RUN_BAD_DESCRIPTION;
}

}  // namespace

int readDescription(XmlElement* root, SkuContext* context, FruBuilder** builder) {
    *builder = nullptr;
    int status = checkRoot(root);
    if (status == RUN_OK)
        status = checkVersion(root);
    if (status == RUN_OK)
        status = readIdentity(root, context);
    if (status == RUN_OK)
        status = buildFruImage(root, context, builder);
    return status;
}
