#pragma once

#include "pelgrin/run/sku_context.h"

// What is about to be written, for the operator to check on the console.
void printSummary(const SkuContext* context);
