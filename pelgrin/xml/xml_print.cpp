// The printed form: the declaration, then one element per line, three blanks
// of indentation per level (up to 32 levels). An element with children puts
// its own text on a line of its own before them; loading trims that
// indentation away again, so printing a loaded document and loading the
// print gives the same tree.
#include <string.h>

#include "pelgrin/xml/xml_memory.h"
#include "pelgrin/xml/xml_print.h"

struct XmlWriter {
    FILE* file;
    size_t used;
    bool failed;
    char buffer[4096];
};

struct XmlPrinter {
    XmlWriter* writer;
    unsigned indentWidth;
};

namespace {

const unsigned DEFAULT_INDENT = 3;

void flush(XmlWriter* writer) {
    if (writer->used > 0 && fwrite(writer->buffer, 1, writer->used, writer->file) != writer->used)
        writer->failed = true;
    writer->used = 0;
}

void put(XmlWriter* writer, const char* bytes, size_t count) {
    while (count > 0) {
        if (writer->used == sizeof writer->buffer)
            flush(writer);
        size_t room = sizeof writer->buffer - writer->used;
        size_t part = count < room ? count : room;
        memcpy(writer->buffer + writer->used, bytes, part);
        writer->used += part;
        bytes += part;
        count -= part;
    }
}

void putText(XmlWriter* writer, const char* text) {
    put(writer, text, strlen(text));
}

// The entity for a byte that cannot stand as itself, or null. White space
// inside an attribute value would be normalised to blanks by the next
// reader, and a carriage return in text to a line feed, so those are
// written as character references.
const char* escapeFor(char c, bool inAttribute) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '\r':
            return "&#13;";
        case '"':
            return inAttribute ? "&quot;" : nullptr;
        case '\t':
            return inAttribute ? "&#9;" : nullptr;
        case '\n':
            return inAttribute ? "&#10;" : nullptr;
        default:
            return nullptr;
    }
}

// Runs of bytes that need no escape go out in one piece; UTF-8 sequences
// pass through unchanged.
void putEscaped(XmlWriter* writer, const char* text, bool inAttribute) {
    const char* run = text;
    for (const char* c = text; *c != '\0'; ++c) {
        const char* entity = escapeFor(*c, inAttribute);
        if (entity == nullptr)
            continue;
        put(writer, run, static_cast<size_t>(c - run));
        putText(writer, entity);
        run = c + 1;
    }
    putText(writer, run);
}

bool isUtf8Name(const char* encoding) {
    const char* expected = "utf-8";
    for (; *expected != '\0'; ++encoding, ++expected) {
        char c = *encoding;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != *expected)
            return false;
    }
    return *encoding == '\0';
}

// The tree holds UTF-8 whatever the input's encoding was, so any other
// encoding name would mislabel the printed bytes.
void putDeclaration(XmlWriter* writer, const XmlDocument* document) {
    putText(writer, "<?xml version=\"");
    putText(writer, document->version ? document->version : "1.0");
    putText(writer, "\" encoding=\"");
    bool keepEncoding = document->encoding != nullptr && isUtf8Name(document->encoding);
    putText(writer, keepEncoding ? document->encoding : "UTF-8");
    putText(writer, "\"");
    if (document->standalone != XMLTREE_STANDALONE_ABSENT)
        putText(writer, document->standalone == XMLTREE_STANDALONE_YES ? " standalone=\"yes\""
                                                                       : " standalone=\"no\"");
    putText(writer, "?>\n");
}

// Indentation stops growing at this depth: a file nested a hundred thousand
// levels deep would otherwise print its depth squared in blanks.
const unsigned MAX_INDENT_DEPTH = 32;

void putIndent(const XmlPrinter* printer, unsigned depth) {
    static const char BLANKS[] = "                                ";
    unsigned levels = depth < MAX_INDENT_DEPTH ? depth : MAX_INDENT_DEPTH;
    size_t count = static_cast<size_t>(levels) * printer->indentWidth;
    while (count > 0) {
        size_t part = count < sizeof BLANKS - 1 ? count : sizeof BLANKS - 1;
        put(printer->writer, BLANKS, part);
        count -= part;
    }
}

bool hasText(const XmlElement* element) {
    return element->text != nullptr && element->text[0] != '\0';
}

void putStartTag(XmlWriter* writer, const XmlElement* element) {
    putText(writer, "<");
    putText(writer, element->name);
    for (size_t i = 0; i < element->attributeCount; ++i) {
        putText(writer, " ");
        putText(writer, element->attributes[i].name);
        putText(writer, "=\"");
        putEscaped(writer, element->attributes[i].value, true);
        putText(writer, "\"");
    }
}

void putEndTag(const XmlPrinter* printer, const XmlElement* element, unsigned depth) {
    putIndent(printer, depth);
    putText(printer->writer, "</");
    putText(printer->writer, element->name);
    putText(printer->writer, ">\n");
}

// A leaf is printed whole; an element with children up to its first child.
void putOpening(const XmlPrinter* printer, const XmlElement* element, unsigned depth) {
    XmlWriter* writer = printer->writer;
    putIndent(printer, depth);
    putStartTag(writer, element);
    if (element->firstChild == nullptr) {
        if (!hasText(element)) {
            putText(writer, "/>\n");
            return;
        }
        putText(writer, ">");
        putEscaped(writer, element->text, false);
        putText(writer, "</");
        putText(writer, element->name);
        putText(writer, ">\n");
        return;
    }
    putText(writer, ">\n");
    if (hasText(element)) {
        putIndent(printer, depth + 1);
        putEscaped(writer, element->text, false);
        putText(writer, "\n");
    }
}

void putTree(const XmlPrinter* printer, const XmlElement* root) {
    const XmlElement* element = root;
    unsigned depth = 0;
    for (;;) {
        putOpening(printer, element, depth);
        if (element->firstChild != nullptr) {
            element = element->firstChild;
            depth++;
            continue;
        }
        while (element != root && element->nextSibling == nullptr) {
            element = element->parent;
            depth--;
            putEndTag(printer, element, depth);
        }
        if (element == root)
            return;
        element = element->nextSibling;
    }
}

}  // namespace

XmlWriter* xmlWriterCreate(FILE* file) {
    XmlWriter* writer = static_cast<XmlWriter*>(xmlAllocate(sizeof(XmlWriter)));
    if (writer == nullptr)
        return nullptr;
    writer->file = file;
    writer->used = 0;
    writer->failed = false;
    return writer;
}

void xmlWriterFree(XmlWriter* writer) {
    xmlRelease(writer);
}

XmlPrinter* xmlPrinterCreate(XmlWriter* writer) {
    XmlPrinter* printer = static_cast<XmlPrinter*>(xmlAllocate(sizeof(XmlPrinter)));
    if (printer == nullptr)
        return nullptr;
    printer->writer = writer;
    printer->indentWidth = DEFAULT_INDENT;
    return printer;
}

void xmlPrinterFree(XmlPrinter* printer) {
    xmlRelease(printer);
}

int xmlPrintDocument(XmlPrinter* printer, const XmlDocument* document) {
    XmlWriter* writer = printer->writer;
    putDeclaration(writer, document);
    if (document->root != nullptr)
        putTree(printer, document->root);
    flush(writer);
    return writer->failed ? XMLTREE_PRINT_FAILED : XMLTREE_PRINTED;
}
