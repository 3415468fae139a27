// The SKU processing: SKU.xml in; the FRU image, mysku.xml, mysku.xml.gz and
// SKU.BIN out. Every refusal comes before mysku.xml is opened, so a refused
// run leaves no file of its own behind.
#include "pelgrin/sku/process_sku.h"

#include <stdio.h>

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/image/sku_image.h"
#include "pelgrin/sku/description_file.h"
#include "pelgrin/sku/read_phase.h"
#include "pelgrin/sku/sku_status.h"
#include "pelgrin/sku/write_back.h"
#include "pelgrin/sku/xml_tree.h"

namespace {

struct SkuRun {
    XmlDocument* document;
    FruBuilder* builder;
    DescriptionPrint print;
};

int loadDescription(XmlDocument** document) {
    switch (xmlLoadFile(DESCRIPTION_FILE, document)) {
        case XMLTREE_LOADED:
            return 0;
        case XMLTREE_NO_FILE:
            printf("%s: No Such File or Directory!\n", DESCRIPTION_FILE);
            return SKU_NO_FILE;
        case XMLTREE_OUT_OF_MEMORY:
            printf("Error! Not enough memory\n");
            return SKU_OUT_OF_MEMORY;
        default:
            printf("Unable to parse %s!\n", DESCRIPTION_FILE);
            return SKU_BAD_DESCRIPTION;
    }
}

int packageDescription(SkuContext* context, uint8_t* imageBuffer) {
    int status = compressDescription(context);
    if (status == 0)
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
    int status = loadDescription(&run.document);
    if (status != 0)
        return status;
    status = readDescription(run.document->root, context, &run.builder);
    if (status == 0)
        status = writeBackGivenValues(run.document->root, context);
    if (status == 0)
        status = writeDescriptionFile(run.document, &run.print);
    if (status == 0)
        status = packageDescription(context, imageBuffer);
    releaseRun(&run);
    return status;
}
