// Loading a file into the tree: expat's callbacks build the elements as the
// file streams through in fixed chunks.
#include <expat.h>
#include <stdio.h>
#include <string.h>

#include "pelgrin/xml/xml_memory.h"
#include "pelgrin/xml/xml_tree.h"

namespace {

const size_t READ_CHUNK = 16384;
const size_t FIRST_TEXT_CAPACITY = 32;

// Expat allocates through the same accounting as the tree. Its protection
// against entity amplification stays at its defaults: it is never relaxed.
const XML_Memory_Handling_Suite MEMORY_SUITE = {xmlAllocate, xmlReallocate, xmlRelease};

struct TreeBuild {
    XML_Parser parser;
    XmlDocument* document;
    XmlElement* current;
    bool outOfMemory;
    bool doctype;
};

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void abandon(TreeBuild* build) {
    build->outOfMemory = true;
    XML_StopParser(build->parser, XML_FALSE);
}

char* copyText(const char* text) {
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(xmlAllocate(size));
    if (copy != nullptr)
        memcpy(copy, text, size);
    return copy;
}

// Places `text` at `*cursor` inside the element's block and moves past it.
const char* placeText(char** cursor, const char* text) {
    size_t size = strlen(text) + 1;
    char* placed = *cursor;
    memcpy(placed, text, size);
    *cursor += size;
    return placed;
}

// One block: the record, its attribute array, then the name and attribute texts.
XmlElement* createElement(const char* name, const char** attributes, size_t attributeCount) {
    size_t textBytes = strlen(name) + 1;
    for (size_t i = 0; i < attributeCount * 2; ++i)
        textBytes += strlen(attributes[i]) + 1;
    size_t arrayBytes = attributeCount * sizeof(XmlAttribute);
    char* block = static_cast<char*>(xmlAllocate(sizeof(XmlElement) + arrayBytes + textBytes));
    if (block == nullptr)
        return nullptr;
    XmlElement* element = reinterpret_cast<XmlElement*>(block);
    memset(element, 0, sizeof *element);
    XmlAttribute* array = reinterpret_cast<XmlAttribute*>(block + sizeof(XmlElement));
    char* cursor = block + sizeof(XmlElement) + arrayBytes;
    element->name = placeText(&cursor, name);
    for (size_t i = 0; i < attributeCount; ++i) {
        array[i].name = placeText(&cursor, attributes[2 * i]);
        array[i].value = placeText(&cursor, attributes[2 * i + 1]);
    }
    element->attributes = array;
    element->attributeCount = attributeCount;
    return element;
}

void appendChild(XmlElement* parent, XmlElement* child) {
    child->parent = parent;
    if (parent->lastChild == nullptr)
        parent->firstChild = child;
    else
        parent->lastChild->nextSibling = child;
    parent->lastChild = child;
}

bool reserveText(XmlElement* element, size_t needed) {
    if (needed <= element->textCapacity)
        return true;
    size_t capacity = element->textCapacity ? element->textCapacity : FIRST_TEXT_CAPACITY;
    while (capacity < needed)
        capacity *= 2;
    char* grown = static_cast<char*>(xmlReallocate(element->text, capacity));
    if (grown == nullptr)
        return false;
    element->text = grown;
    element->textCapacity = capacity;
    return true;
}

void XMLCALL onDeclaration(void* userData, const XML_Char* version, const XML_Char* encoding,
                           int standalone) {
    TreeBuild* build = static_cast<TreeBuild*>(userData);
    XmlDocument* document = build->document;
    document->standalone = static_cast<XmlStandalone>(standalone);
    if (version != nullptr && (document->version = copyText(version)) == nullptr)
        abandon(build);
    if (encoding != nullptr && (document->encoding = copyText(encoding)) == nullptr)
        abandon(build);
}

void XMLCALL onStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    TreeBuild* build = static_cast<TreeBuild*>(userData);
    // Attributes defaulted from a DTD were not in the file; they stay out.
    size_t specified = static_cast<size_t>(XML_GetSpecifiedAttributeCount(build->parser)) / 2;
    XmlElement* element = createElement(name, attributes, specified);
    if (element == nullptr) {
        abandon(build);
        return;
    }
    if (build->current == nullptr)
        build->document->root = element;
    else
        appendChild(build->current, element);
    build->current = element;
}

void XMLCALL onEnd(void* userData, const XML_Char*) {
    TreeBuild* build = static_cast<TreeBuild*>(userData);
    XmlElement* element = build->current;
    while (element->textLength > 0 && isXmlSpace(element->text[element->textLength - 1]))
        element->textLength--;
    if (element->textLength == 0) {
        xmlRelease(element->text);
        element->text = nullptr;
        element->textCapacity = 0;
    } else {
        element->text[element->textLength] = '\0';
    }
    build->current = element->parent;
}

void XMLCALL onText(void* userData, const XML_Char* text, int length) {
    TreeBuild* build = static_cast<TreeBuild*>(userData);
    XmlElement* element = build->current;
    size_t count = static_cast<size_t>(length);
    // Leading white space never reaches the text; trailing is cut at the end tag.
    if (element->textLength == 0) {
        while (count > 0 && isXmlSpace(*text)) {
            text++;
            count--;
        }
        if (count == 0)
            return;
    }
    if (!reserveText(element, element->textLength + count + 1)) {
        abandon(build);
        return;
    }
    memcpy(element->text + element->textLength, text, count);
    element->textLength += count;
}

// A DTD is where entities, default attributes and external files come from;
// the tree needs none of them, so the parse stops before its first
// declaration is read.
void XMLCALL onDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    TreeBuild* build = static_cast<TreeBuild*>(userData);
    build->doctype = true;
    XML_StopParser(build->parser, XML_FALSE);
}

XmlDocument* createDocument() {
    XmlDocument* document = static_cast<XmlDocument*>(xmlAllocate(sizeof(XmlDocument)));
    if (document == nullptr)
        return nullptr;
    memset(document, 0, sizeof *document);
    document->standalone = XMLTREE_STANDALONE_ABSENT;
    return document;
}

XML_Parser createParser(TreeBuild* build) {
    XML_Parser parser = XML_ParserCreate_MM(nullptr, &MEMORY_SUITE, nullptr);
    if (parser == nullptr)
        return nullptr;
    XML_SetUserData(parser, build);
    XML_SetXmlDeclHandler(parser, onDeclaration);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    return parser;
}

XmlLoadStatus parseFailure(const TreeBuild* build) {
    if (build->outOfMemory || XML_GetErrorCode(build->parser) == XML_ERROR_NO_MEMORY)
        return XMLTREE_OUT_OF_MEMORY;
    return build->doctype ? XMLTREE_HAS_DOCTYPE : XMLTREE_MALFORMED;
}

// The size a regular file has now; a file that grows while it is read, or
// one that cannot seek (a pipe, a device), is held to `maxBytes` as it streams.
bool fileFits(FILE* file, size_t maxBytes) {
    if (fseek(file, 0, SEEK_END) != 0)
        return true;
    long size = ftell(file);
    bool fits = size >= 0 && static_cast<unsigned long>(size) <= maxBytes;
    fseek(file, 0, SEEK_SET);
    return fits;
}

XmlLoadStatus streamFile(FILE* file, size_t maxBytes, TreeBuild* build) {
    size_t total = 0;
    for (;;) {
        void* chunk = XML_GetBuffer(build->parser, static_cast<int>(READ_CHUNK));
        if (chunk == nullptr)
            return XMLTREE_OUT_OF_MEMORY;
        size_t count = fread(chunk, 1, READ_CHUNK, file);
        if (ferror(file))
            return XMLTREE_MALFORMED;
        total += count;
        if (total > maxBytes)
            return XMLTREE_TOO_LARGE;
        bool last = count == 0;
        if (XML_ParseBuffer(build->parser, static_cast<int>(count), last) != XML_STATUS_OK)
            return parseFailure(build);
        if (last)
            return build->document->root != nullptr ? XMLTREE_LOADED : XMLTREE_MALFORMED;
    }
}

XmlLoadStatus parseBytes(const char* bytes, size_t size, TreeBuild* build) {
    if (XML_Parse(build->parser, bytes, static_cast<int>(size), XML_TRUE) != XML_STATUS_OK)
        return parseFailure(build);
    return build->document->root != nullptr ? XMLTREE_LOADED : XMLTREE_MALFORMED;
}

// Where the text comes from: a file streamed in pieces, or bytes at hand.
struct TreeSource {
    FILE* file;
    size_t maxBytes;
    const char* bytes;
    size_t size;
};

XmlLoadStatus buildTree(const TreeSource& source, XmlDocument** document) {
    TreeBuild build = {nullptr, createDocument(), nullptr, false, false};
    if (build.document == nullptr)
        return XMLTREE_OUT_OF_MEMORY;
    build.parser = createParser(&build);
    if (build.parser == nullptr) {
        xmlDocumentFree(build.document);
        return XMLTREE_OUT_OF_MEMORY;
    }
    XmlLoadStatus status = source.file != nullptr ? streamFile(source.file, source.maxBytes, &build)
                                                  : parseBytes(source.bytes, source.size, &build);
    XML_ParserFree(build.parser);
    if (status != XMLTREE_LOADED) {
        xmlDocumentFree(build.document);
        return status;
    }
    *document = build.document;
    return XMLTREE_LOADED;
}

}  // namespace

XmlLoadStatus xmlLoadFile(const char* path, size_t maxBytes, XmlDocument** document) {
    *document = nullptr;
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return XMLTREE_NO_FILE;
    XmlLoadStatus status = fileFits(file, maxBytes)
                               ? buildTree({file, maxBytes, nullptr, 0}, document)
                               : XMLTREE_TOO_LARGE;
    fclose(file);
    return status;
}

XmlLoadStatus xmlLoadBytes(const char* bytes, size_t size, size_t maxBytes,
                           XmlDocument** document) {
    *document = nullptr;
    if (size > maxBytes)
        return XMLTREE_TOO_LARGE;
    return buildTree({nullptr, maxBytes, bytes, size}, document);
}
