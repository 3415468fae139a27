// The operator's keyword=value words.
#pragma once

#include "pelgrin/run/sku_context.h"

struct RunFlags {
    bool anyValueGiven;
    bool writeToSharedMemory;
    bool helpRequested;
    bool verify;
};

// Scans the words after the program name into `context` and `flags`. Values
// point into the words themselves. Stops at the first "help" word.
void scanKeywords(int argc, char** argv, SkuContext* context, RunFlags* flags);

// 0, or 3 after one "Error! ..." line when a MAC value is not 12 hexadecimal
// digits: such a value would be spread over the colon positions as it stands.
int checkMacValues(const SkuContext* context);
