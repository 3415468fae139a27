// LOG='s checks before a unit is touched: the record must be writable, and
// the log must not show this unit's identity on another unit.
#pragma once

#include "pelgrin/run/sku_context.h"

// Room a record needs, with a margin for a shift's records after it: a stick
// with less is refused before the unit rather than failing after it.
constexpr uint64_t LOG_VOLUME_MIN_FREE = 64 * 1024;

// 0 when `logFile` can be appended to (it is created, empty, when missing) and
// its volume has LOG_VOLUME_MIN_FREE bytes free; 14 after one "Error!" line.
int checkLogWritable(const char* logFile);

// 0 (setting *rework when an earlier passed unit holds the same values), 12
// after one "Error!" line naming the value, the earlier unit and its time, or
// 14 when the log cannot be read.
int checkIdentityNotGivenBefore(const char* logFile, const SkuContext& context, bool* rework);
