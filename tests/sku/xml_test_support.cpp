#include "tests/sku/xml_test_support.h"

#include <cstdio>

#include "tests/support/scratch_dir.h"

namespace xmlTest {

// Larger than any text these tests load; the limit itself is a run's.
const size_t LOAD_LIMIT = size_t{64} << 20;

DocumentPtr loadText(const std::string& content, XmlLoadStatus* status) {
    testsupport::writeFile("loaded.xml", content);
    XmlDocument* document = nullptr;
    XmlLoadStatus result = xmlLoadFile("loaded.xml", LOAD_LIMIT, &document);
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
