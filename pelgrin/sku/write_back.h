#pragma once

#include "pelgrin/run/sku_context.h"
#include "pelgrin/xml/xml_tree.h"

// Replaces, in the loaded description, the text of the element of every value
// the operator gave. No element is created: a given value whose element is
// missing ends the write-back at once with that row's message and status 2.
int writeBackGivenValues(XmlElement* root, const SkuContext* context);

// True when the operator's value of `field` goes into mysku.xml.
bool descriptionTakesGivenValue(const char* SkuContext::*field);
