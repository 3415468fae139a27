// Faults a rehearsal or a test asks the simulated board for by name, through
// SIM_FAULTS: a comma-separated list of `name` or `name=value` entries
// (values decimal or 0x hexadecimal). The names are parsed here and nowhere
// else; each part of the board reads the fields that concern it when it is
// installed. README's fault table lists the same names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct SimFaults {
    // The BMC window's path.
    bool bar64 = false;                             // window BAR 64-bit at 0x1_F8000000
    bool twoDisplays = false;                       // a second display function, another vendor
    std::optional<uint32_t> smemAddress;            // the address the BMC answers
    std::optional<uint8_t> smemCompletionCode;      // its completion code
    bool windowUnclaimed = false;                   // window reads all ones, drops writes
    bool windowStuckBase = false;                   // base register ignores writes
    std::optional<uint8_t> doorbellCompletionCode;  // the doorbell request's answer
    std::optional<uint32_t> windowReadMask;         // data bits that read back
    bool windowGoneAtDoorbell = false;              // window reads all ones from then
    // Replies and the BMC's return after its reset.
    bool replyShort = false;                 // Get Device ID answered with 2 bytes
    bool replyEcho = false;                  // answered with another command's echo
    std::optional<uint32_t> bmcBusySeconds;  // "device available" set this long
    std::optional<uint32_t> bmcLateSeconds;  // previous FRU served this long
    bool fruOtherSerial = false;             // applies another board serial number
    // FRU device 0.
    std::optional<uint32_t> fruArea;          // area size in bytes
    std::optional<uint32_t> fruWriteProtect;  // writes from this offset: 0x80
    std::optional<uint32_t> fruBusy;          // this many 0x81 answers first
    std::optional<uint32_t> fruMaxWrite;      // 0xC7 above this many data bytes
    bool fruShortWrite = false;               // "count written" short of the count
    bool fruWords = false;                    // area addressed in 16-bit words
    // The station's clock and stick.
    bool clockZoneUnspecified = false;     // the clock keeps local time of no known zone
    std::optional<uint64_t> logFreeBytes;  // the LOG= file's volume has this much room
};

// Parses a SIM_FAULTS text; false with *error naming the entry not
// understood (unknown name, missing or unexpected value, out of range).
bool parseSimFaults(const std::string& text, SimFaults* faults, std::string* error);

// The faults the board is installed with; installDefaultBoard's parts read
// them. Empty unless set.
const SimFaults& simFaults();
void setSimFaults(const SimFaults& faults);

}  // namespace sim
