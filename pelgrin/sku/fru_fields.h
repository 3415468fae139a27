#pragma once

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/run/sku_context.h"
#include "pelgrin/xml/xml_tree.h"

// Sets the chassis type, the manufacturing date and the twelve FRU texts in
// the builder: the texts from SKU.xml, the three serial numbers from the
// command line where the operator gave them. 0, or the refusal status after
// its "Error! " line.
int setFruFields(XmlElement* root, const SkuContext* context, FruBuilder* builder);

// True when the operator's value of `field` goes into the FRU image.
bool fruTakesGivenValue(const char* SkuContext::*field);
