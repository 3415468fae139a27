// A small XML element tree over expat: what the SKU description needs and no
// more. Elements keep their name, their attributes and children in document
// order, and their text with leading and trailing white space removed.
// Comments and processing instructions are not kept; a document with a
// DOCTYPE is refused.
#pragma once

#include <stddef.h>

struct XmlAttribute {
    const char* name;
    const char* value;
};

struct XmlElement {
    const char* name;
    char* text;  // null when the element has no text
    size_t textLength;
    size_t textCapacity;
    const XmlAttribute* attributes;
    size_t attributeCount;
    XmlElement* parent;
    XmlElement* firstChild;
    XmlElement* lastChild;
    XmlElement* nextSibling;
};

// The XML declaration's pseudo-attributes as the input gave them; null (or
// XMLTREE_STANDALONE_ABSENT) for each one it did not give.
enum XmlStandalone {
    XMLTREE_STANDALONE_ABSENT = -1,
    XMLTREE_STANDALONE_NO = 0,
    XMLTREE_STANDALONE_YES = 1
};

struct XmlDocument {
    XmlElement* root;
    char* version;
    char* encoding;
    XmlStandalone standalone;
};

enum XmlLoadStatus {
    XMLTREE_LOADED = 0,
    XMLTREE_NO_FILE,        // the file cannot be opened
    XMLTREE_MALFORMED,      // not well-formed, unreadable, refused by expat's limits, or no root
    XMLTREE_OUT_OF_MEMORY,  // allocation failed while building the tree
    XMLTREE_HAS_DOCTYPE,    // a DOCTYPE (and with it any DTD or entity declaration)
    XMLTREE_TOO_LARGE       // more than the caller's limit of bytes
};

// Loads `path` into a new document; a file of more than `maxBytes` bytes is
// refused before any of it is parsed. On any status but XMLTREE_LOADED
// nothing stays allocated and *document is null.
XmlLoadStatus xmlLoadFile(const char* path, size_t maxBytes, XmlDocument** document);
// The same from bytes already read (the run digests what it parses).
XmlLoadStatus xmlLoadBytes(const char* bytes, size_t size, size_t maxBytes, XmlDocument** document);
void xmlDocumentFree(XmlDocument* document);

// Replaces the element's text with a copy of `text`; false when out of memory
// (the old text is kept then).
bool xmlSetText(XmlElement* element, const char* text);

// Depth-first document order without recursion, so that a deeply nested file
// cannot exhaust the small firmware stack: the element after `element` within
// the subtree of `top`, or null at its end. With `descend` false the children
// of `element` are passed over.
XmlElement* xmlNextInSubtree(const XmlElement* top, const XmlElement* element, bool descend);
