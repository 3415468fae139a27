#pragma once

// True when `toolVersion` is older than `requiredVersion`. A version text
// "M.mm" counts as 100 * M + mm, both read as atoi reads them, the minor
// number from the third character on (0 when the text is shorter).
bool isVersionOlder(const char* toolVersion, const char* requiredVersion);
