#include "dorvax/completion_codes.h"

const CompletionCodeRow completionCodeTable[COMPLETION_CODE_ROWS] = {
    {0xC0, "Node Busy."},
    {0xC1, "Invalid Command."},
    {0xC2, "Command invalid for given LUN."},
    {0xC3, "Timeout while processing command."},
    {0xC4, "Out of space."},
    {0xC5, "Reservation Canceled or Invalid Reservation ID."},
    {0xC6, "Request data truncated."},
    {0xC7, "Request data length invalid."},
    {0xC8, "Request data field length limit exceeded."},
    {0xC9, "Parameter out of range."},
    {0xCA, "Cannot return number of requested data bytes."},
    {0xCB, "Requested Sensor, data, or record not present."},
    {0xCC, "Invalid data field in Request."},
    {0xCD, "Command illegal for specified sensor or record type."},
    {0xCE, "Command response could not be provided."},
    {0xCF, "Cannot execute duplicated request."},
    {0xD0, "SDR Repository in update mode."},
    {0xD1, "Device in firmware update mode."},
    {0xD2, "BMC initialization or initialization agent in progress."},
    {0xD3, "Destination unavailable."},
    {0xD4, "privilege level or other security - based restriction."},
    {0xD5, "not supported in present state."},
    {0xD6, "Parameter is illegal"},
    {0xFF, "Unspecified error."},
};

namespace {

const uint32_t OEM_CODES_FIRST = 0x01;
const uint32_t OEM_CODES_LAST = 0x7E;
const uint32_t COMMAND_CODES_FIRST = 0x80;
const uint32_t COMMAND_CODES_LAST = 0xBE;

// Codes the table does not name still fall into one of the ranges IPMI
// reserves, which tells the operator where to look it up.
const char* completionCodeClass(uint32_t code) {
    if (code >= OEM_CODES_FIRST && code <= OEM_CODES_LAST)
        return "Device-specific (OEM) completion code.";
    if (code >= COMMAND_CODES_FIRST && code <= COMMAND_CODES_LAST)
        return "Command-specific completion code.";
    return "Unspecified error.";
}

}  // namespace

const char* completionCodeText(uint32_t code) {
    for (const CompletionCodeRow& row : completionCodeTable) {
        if (row.code == code)
            return row.text;
    }
    return completionCodeClass(code);
}
