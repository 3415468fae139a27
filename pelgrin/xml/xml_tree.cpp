#include "pelgrin/xml/xml_tree.h"

#include <string.h>

#include "pelgrin/xml/xml_memory.h"

namespace {

// The name and the attributes share the element's block; only the text is a
// block of its own.
void releaseElement(XmlElement* element) {
    xmlRelease(element->text);
    xmlRelease(element);
}

// Post-order without recursion: each child is unlinked as it is entered, so
// that coming back up to the parent finds its next child first.
void releaseSubtree(XmlElement* top) {
    XmlElement* element = top;
    while (element != nullptr) {
        XmlElement* child = element->firstChild;
        if (child != nullptr) {
            element->firstChild = child->nextSibling;
            element = child;
            continue;
        }
        XmlElement* parent = element == top ? nullptr : element->parent;
        releaseElement(element);
        element = parent;
    }
}

}  // namespace

void xmlDocumentFree(XmlDocument* document) {
    if (document == nullptr)
        return;
    if (document->root != nullptr)
        releaseSubtree(document->root);
    xmlRelease(document->version);
    xmlRelease(document->encoding);
    xmlRelease(document);
}

bool xmlSetText(XmlElement* element, const char* text) {
    size_t length = strlen(text);
    if (length + 1 > element->textCapacity) {
        char* copy = static_cast<char*>(xmlAllocate(length + 1));
        if (copy == nullptr)
            return false;
        xmlRelease(element->text);
        element->text = copy;
        element->textCapacity = length + 1;
    }
    memcpy(element->text, text, length + 1);
    element->textLength = length;
    return true;
}

XmlElement* xmlNextInSubtree(const XmlElement* top, const XmlElement* element, bool descend) {
    if (descend && element->firstChild != nullptr)
        return element->firstChild;
    while (element != top) {
        if (element->nextSibling != nullptr)
            return element->nextSibling;
        element = element->parent;
    }
    return nullptr;
}
