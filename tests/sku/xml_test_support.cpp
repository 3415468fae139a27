#include "tests/sku/xml_test_support.h"

#include <cstdio>

#include "tests/support/scratch_dir.h"

namespace xmlTest {

DocumentPtr loadText(const std::string& content, XmlLoadStatus* status) {
    testsupport::writeFile("loaded.xml", content);
    XmlDocument* document = nullptr;
    XmlLoadStatus result = xmlLoadFile("loaded.xml", &document);
    if (status != nullptr)
        *status = result;
    return DocumentPtr(document);
}

std::string printed(const XmlDocument* document) {
    FILE* file = fopen("printed.xml", "wb");
    XmlWriter* writer = xmlWriterCreate(file);
    XmlPrinter* printer = xmlPrinterCreate(writer);
    int status = xmlPrintDocument(printer, document);
    xmlPrinterFree(printer);
    xmlWriterFree(writer);
    fclose(file);
    return status == 0 ? testsupport::readText("printed.xml") : "<print failed>";
}

}  // namespace xmlTest
