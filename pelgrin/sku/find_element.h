#pragma once

#include "pelgrin/xml/xml_tree.h"

// Looks up the element named by a "/"-separated path ("/VELSKU/FRU/AssetTag")
// from `start`, which must match the first step. Of all elements the path
// matches, depth-first in document order, the first with text wins; failing
// that the first one. Returns its text (null when it has none or nothing
// matches) and, when `element` is given, the element itself or null.
const char* findElement(XmlElement* start, const char* path, XmlElement** element);
