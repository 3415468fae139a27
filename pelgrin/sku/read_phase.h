#pragma once

#include "pelgrin/image/fru_builder.h"
#include "pelgrin/run/sku_context.h"
#include "pelgrin/xml/xml_tree.h"

// The version gate, the identity texts and the FRU image: everything taken
// from SKU.xml before the operator's values go in. On success *builder holds
// the FRU image that context->fruImage points into; on failure it may hold a
// builder too, which the caller releases either way.
int readDescription(XmlElement* root, SkuContext* context, FruBuilder** builder);
