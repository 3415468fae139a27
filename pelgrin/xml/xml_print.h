// Printing a loaded document back as XML text.
#pragma once

#include <stdio.h>

#include "pelgrin/xml/xml_tree.h"

// A buffered byte sink on an open file; writes only through fwrite. Null when
// out of memory.
struct XmlWriter;
XmlWriter* xmlWriterCreate(FILE* file);
void xmlWriterFree(XmlWriter* writer);

// Prints a document as an XML declaration and the element tree, three blanks
// of indentation per level. Null when out of memory.
struct XmlPrinter;
XmlPrinter* xmlPrinterCreate(XmlWriter* writer);
void xmlPrinterFree(XmlPrinter* printer);
enum XmlPrintStatus { XMLTREE_PRINTED = 0, XMLTREE_PRINT_FAILED = -1 };
// XMLTREE_PRINT_FAILED when the file took fewer bytes than given.
int xmlPrintDocument(XmlPrinter* printer, const XmlDocument* document);
