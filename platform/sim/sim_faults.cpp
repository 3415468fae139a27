#include "platform/sim/sim_faults.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

namespace {

enum class Takes { Nothing, Value };

struct FaultName {
    const char* name;
    Takes takes;
    uint64_t largest;  // for a value
    void (*set)(SimFaults&, uint64_t);
};

constexpr uint64_t U8 = 0xFF;
constexpr uint64_t U32 = 0xFFFFFFFF;

const FaultName FAULT_NAMES[] = {
    {"bar64", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.bar64 = true; }},
    {"two-displays", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.twoDisplays = true; }},
    {"smem-address", Takes::Value, U32,
     [](SimFaults& f, uint64_t v) { f.smemAddress = static_cast<uint32_t>(v); }},
    {"smem-cc", Takes::Value, U8,
     [](SimFaults& f, uint64_t v) { f.smemCompletionCode = static_cast<uint8_t>(v); }},
    {"window-unclaimed", Takes::Nothing, 0,
     [](SimFaults& f, uint64_t) { f.windowUnclaimed = true; }},
    {"window-stuck-base", Takes::Nothing, 0,
     [](SimFaults& f, uint64_t) { f.windowStuckBase = true; }},
    {"doorbell-cc", Takes::Value, U8,
     [](SimFaults& f, uint64_t v) { f.doorbellCompletionCode = static_cast<uint8_t>(v); }},
    {"window-read-mask", Takes::Value, U32,
     [](SimFaults& f, uint64_t v) { f.windowReadMask = static_cast<uint32_t>(v); }},
    {"window-gone-at-doorbell", Takes::Nothing, 0,
     [](SimFaults& f, uint64_t) { f.windowGoneAtDoorbell = true; }},
    {"reply-short", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.replyShort = true; }},
    {"reply-echo", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.replyEcho = true; }},
    {"bmc-busy", Takes::Value, U32,
     [](SimFaults& f, uint64_t v) { f.bmcBusySeconds = static_cast<uint32_t>(v); }},
    {"bmc-late", Takes::Value, U32,
     [](SimFaults& f, uint64_t v) { f.bmcLateSeconds = static_cast<uint32_t>(v); }},
    {"fru-other-serial", Takes::Nothing, 0,
     [](SimFaults& f, uint64_t) { f.fruOtherSerial = true; }},
    {"fru-area", Takes::Value, 0xFFFF,
     [](SimFaults& f, uint64_t v) { f.fruArea = static_cast<uint32_t>(v); }},
    {"fru-write-protect", Takes::Value, 0xFFFF,
     [](SimFaults& f, uint64_t v) { f.fruWriteProtect = static_cast<uint32_t>(v); }},
    {"fru-busy", Takes::Value, U32,
     [](SimFaults& f, uint64_t v) { f.fruBusy = static_cast<uint32_t>(v); }},
    {"fru-max-write", Takes::Value, U8,
     [](SimFaults& f, uint64_t v) { f.fruMaxWrite = static_cast<uint32_t>(v); }},
    {"fru-short-write", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.fruShortWrite = true; }},
    {"fru-words", Takes::Nothing, 0, [](SimFaults& f, uint64_t) { f.fruWords = true; }},
    {"clock-zone-unspecified", Takes::Nothing, 0,
     [](SimFaults& f, uint64_t) { f.clockZoneUnspecified = true; }},
    {"log-free", Takes::Value, U32, [](SimFaults& f, uint64_t v) { f.logFreeBytes = v; }},
};

const FaultName* findFault(const std::string& name) {
    for (const FaultName& fault : FAULT_NAMES)
        if (name == fault.name)
            return &fault;
    return nullptr;
}

bool parseValue(const std::string& text, uint64_t largest, uint64_t* value) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > largest)
        return false;
    *value = parsed;
    return true;
}

bool parseEntry(const std::string& entry, SimFaults* faults, std::string* error) {
    size_t equals = entry.find('=');
    std::string name = entry.substr(0, equals);
    const FaultName* fault = findFault(name);
    if (fault == nullptr) {
        *error = "unknown fault \"" + name + "\"";
        return false;
    }
    bool hasValue = equals != std::string::npos;
    if (fault->takes == Takes::Nothing) {
        if (hasValue) {
            *error = "fault \"" + name + "\" takes no value";
            return false;
        }
        fault->set(*faults, 0);
        return true;
    }
    uint64_t value = 0;
    if (!hasValue || !parseValue(entry.substr(equals + 1), fault->largest, &value)) {
        *error = "fault \"" + name + "\" needs a value from 0 to " + std::to_string(fault->largest);
        return false;
    }
    fault->set(*faults, value);
    return true;
}

SimFaults& installed() {
    static SimFaults faults;
    return faults;
}

}  // namespace

bool parseSimFaults(const std::string& text, SimFaults* faults, std::string* error) {
    SimFaults parsed;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        std::string entry = text.substr(start, comma - start);
        if (!entry.empty() && !parseEntry(entry, &parsed, error))
            return false;
        start = comma + 1;
    }
    *faults = parsed;
    return true;
}

const SimFaults& simFaults() {
    return installed();
}

void setSimFaults(const SimFaults& faults) {
    installed() = faults;
}

}  // namespace sim
