// The SKU processing: SKU.xml in; the FRU image, mysku.xml, mysku.xml.gz and
// SKU.BIN out. Every refusal comes before mysku.xml is opened, so a refused
// run leaves no file of its own behind.
#include "pelgrin/sku/process_sku.h"

#include <stdio.h>

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/image/sku_image.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/description_file.h"
#include "pelgrin/sku/read_phase.h"
#include "pelgrin/sku/write_back.h"
#include "pelgrin/xml/xml_tree.h"

namespace {

struct SkuRun {
    XmlDocument* document;
    FruBuilder* builder;
    DescriptionPrint print;
};

XmlLoadStatus loadTree(const SkuContext& context, XmlDocument** document) {
    if (context.skuXml != nullptr)
        return xmlLoadBytes(context.skuXml, context.skuXmlSize, SKU_FILE_MAX_BYTES, document);
    return xmlLoadFile(SKU_FILE, SKU_FILE_MAX_BYTES, document);
}

int loadDescription(const SkuContext& context, XmlDocument** document) {
    switch (loadTree(context, document)) {
        case XMLTREE_LOADED:
            return RUN_OK;
        case XMLTREE_NO_FILE:
            printf("%s: No Such File or Directory!\n", SKU_FILE);
            return RUN_NO_SKU_FILE;
        case XMLTREE_TOO_LARGE:
            printf("Error! %s is larger than %lu bytes\n", SKU_FILE,
                   static_cast<unsigned long>(SKU_FILE_MAX_BYTES));
            return RUN_BAD_DESCRIPTION;
        case XMLTREE_HAS_DOCTYPE:
            printf("Error! %s holds a DOCTYPE; DTDs and entity declarations are refused\n",
                   SKU_FILE);
            return RUN_BAD_DESCRIPTION;
        case XMLTREE_OUT_OF_MEMORY:
            printf("Error! Not enough memory\n");
            return RUN_OUT_OF_MEMORY;
        default:
            printf("Unable to parse %s!\n", SKU_FILE);
            return RUN_BAD_DESCRIPTION;
    }
}

int packageDescription(SkuContext* context, uint8_t* imageBuffer) {
    int status = compressDescription(context);
    if (status == RUN_OK)
        status = buildSkuImage(context, imageBuffer);
    return status;
}

// fruImage points into the builder, so the builder goes only after SKU.BIN.
void releaseRun(SkuRun* run) {
    releaseDescriptionPrint(&run->print);
    fruBuilderFree(run->builder);
    xmlDocumentFree(run->document);
}

}  // namespace

int processSku(SkuContext* context, uint8_t* imageBuffer) {
    SkuRun run = {nullptr, nullptr, {nullptr, nullptr}};
    int status = loadDescription(*context, &run.document);
    if (status != RUN_OK)
        return status;
    status = readDescription(run.document->root, context, &run.builder);
    if (status == RUN_OK)
        status = writeBackGivenValues(run.document->root, context);
    if (status == RUN_OK)
        status = writeDescriptionFile(run.document, &run.print);
    if (status == RUN_OK)
        status = packageDescription(context, imageBuffer);
    releaseRun(&run);
    return status;
}
