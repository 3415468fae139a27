// The operator's values checked before anything is read or written: the same
// rules whether a value comes from the command line or from a prompt.
#pragma once

#include "pelgrin/run/sku_context.h"
#include "pelgrin/run/value_keywords.h"

// RUN_OK, or RUN_BAD_GIVEN_VALUE after one "Error! ..." line naming the
// keyword: a control character (below 0x20, or 0x7F) with its position, a MAC
// that is not 12 hexadecimal digits or no board should get (all zeros,
// multicast or broadcast), a value that its FRU field cannot hold, or one
// that mysku.xml cannot carry.
int checkGivenValue(const ValueKeyword& row, const char* value);

// A value scanned at a prompt: as above, it must not be empty, and a MAC
// address must differ from the other one already in `context`.
int checkAnswer(const SkuContext& context, const ValueKeyword& row, const char* value);

// Every given value as above, then the values against each other (MainMAC
// and ShareMAC must differ).
int checkGivenValues(const SkuContext* context);
