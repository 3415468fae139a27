#include "pelgrin/sku/description_file.h"

#include <stdio.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"

namespace {

int refuse(const char* line, FILE* file) {
    puts(line);
    fclose(file);
    return RUN_OUT_OF_MEMORY;
}

}  // namespace

int writeDescriptionFile(const XmlDocument* document, DescriptionPrint* print) {
    // Truncating, so that a stale mysku.xml the run could not delete is
    // replaced rather than extended.
    FILE* file = fopen(MERGED_FILE, "wb");
    if (file == nullptr) {
        printf("Error! Can't create %s\n", MERGED_FILE);
        return RUN_OUT_OF_MEMORY;
    }
    print->writer = xmlWriterCreate(file);
    if (print->writer == nullptr)
        return refuse("Error! Can't create writer for xml", file);
    print->printer = xmlPrinterCreate(print->writer);
    if (print->printer == nullptr)
        return refuse("Error! Can't create printer for xml", file);
    int printed = xmlPrintDocument(print->printer, document);
    putchar('\n');
    // A cut description must not travel to the BMC inside SKU.BIN.
    if (fclose(file) != 0 || printed != XMLTREE_PRINTED) {
        puts("Error! Can't write mysku.xml");
        return RUN_OUT_OF_MEMORY;
    }
    return RUN_OK;
}

void releaseDescriptionPrint(DescriptionPrint* print) {
    xmlPrinterFree(print->printer);
    xmlWriterFree(print->writer);
    print->printer = nullptr;
    print->writer = nullptr;
}
