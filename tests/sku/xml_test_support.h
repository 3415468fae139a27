// Loading and printing XML documents from strings, through real files in a
// scratch directory as the tool does.
#pragma once

#include <memory>
#include <string>

#include "pelgrin/xml/xml_print.h"
#include "pelgrin/xml/xml_tree.h"

namespace xmlTest {

struct DocumentDeleter {
    void operator()(XmlDocument* document) const { xmlDocumentFree(document); }
};
typedef std::unique_ptr<XmlDocument, DocumentDeleter> DocumentPtr;

// Writes `content` to a file and loads it; null when the load fails.
DocumentPtr loadText(const std::string& content, XmlLoadStatus* status = nullptr);

// The document as the printer writes it into a file.
std::string printed(const XmlDocument* document);

}  // namespace xmlTest
