#pragma once

#include "pelgrin/xml/xml_print.h"
#include "pelgrin/xml/xml_tree.h"

// The printer objects for mysku.xml; they live until the packaging is done.
struct DescriptionPrint {
    XmlWriter* writer;
    XmlPrinter* printer;
};

// Prints the document into mysku.xml (appended: the run deleted any old one),
// writes one newline to the console and closes the file, so that it is whole
// on disk before it is compressed. 0, or -12 after its "Error! " line.
int writeDescriptionFile(const XmlDocument* document, DescriptionPrint* print);
void releaseDescriptionPrint(DescriptionPrint* print);
