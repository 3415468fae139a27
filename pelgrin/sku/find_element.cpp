#include "pelgrin/sku/find_element.h"

#include <string.h>

namespace {

// The step at `depth` of the path (0: the first name), or null past the last.
const char* stepAt(const char* path, unsigned depth, size_t* length) {
    const char* step = path[0] == '/' ? path + 1 : path;
    for (; depth > 0; --depth) {
        const char* slash = strchr(step, '/');
        if (slash == nullptr)
            return nullptr;
        step = slash + 1;
    }
    const char* end = strchr(step, '/');
    *length = end ? static_cast<size_t>(end - step) : strlen(step);
    return step;
}

bool isLastStep(const char* step, size_t length) {
    return step[length] == '\0';
}

bool nameIs(const XmlElement* element, const char* step, size_t length) {
    return strncmp(element->name, step, length) == 0 && element->name[length] == '\0';
}

unsigned depthBelow(const XmlElement* start, const XmlElement* element) {
    unsigned depth = 0;
    for (; element != start; element = element->parent)
        depth++;
    return depth;
}

// Walks only below matched elements: an element whose name differs from its
// step has its subtree passed over.
XmlElement* firstMatch(XmlElement* start, const char* path) {
    XmlElement* firstWithoutText = nullptr;
    XmlElement* element = start;
    while (element != nullptr) {
        size_t length = 0;
        const char* step = stepAt(path, depthBelow(start, element), &length);
        bool matched = nameIs(element, step, length);
        if (matched && isLastStep(step, length)) {
            if (element->text != nullptr)
                return element;
            if (firstWithoutText == nullptr)
                firstWithoutText = element;
            matched = false;
        }
        element = xmlNextInSubtree(start, element, matched);
    }
    return firstWithoutText;
}

}  // namespace

const char* findElement(XmlElement* start, const char* path, XmlElement** element) {
    XmlElement* found = start != nullptr ? firstMatch(start, path) : nullptr;
    if (element != nullptr)
        *element = found;
    return found != nullptr ? found->text : nullptr;
}
