#include "pelgrin/sku/version_gate.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

// 32-bit arithmetic that wraps rather than overflows, as on the boards that
// first compared these numbers.
int32_t versionValue(const char* text) {
    uint32_t major = static_cast<uint32_t>(atoi(text));
    uint32_t minor = strlen(text) >= 2 ? static_cast<uint32_t>(atoi(text + 2)) : 0;
    return static_cast<int32_t>(major * 100u + minor);
}

}  // namespace

bool isVersionOlder(const char* toolVersion, const char* requiredVersion) {
    return versionValue(toolVersion) < versionValue(requiredVersion);
}
