// Raw KCS request bytes to and from the kernel IPMI driver's message records.
// A raw request is netFn/LUN, command, data; the driver takes them apart and
// answers with the response's netFn, command and data (completion code first).
#pragma once

#include <linux/ipmi.h>
#include <stddef.h>
#include <stdint.h>

struct DriverRequest {
    struct ipmi_system_interface_addr address;
    struct ipmi_req request;
};

// Fills `out` to send `bytes` to the BMC itself (the system interface); the
// record points into `bytes`. False when they are too few or too many for
// one message.
bool packDriverRequest(const uint8_t* bytes, uint64_t length, long messageId, DriverRequest* out);

// Lays a received response out as the KCS interface delivers it: netFn/LUN,
// command, then the data, at most `capacity` bytes. Returns the number
// stored; *cutOff tells whether the response was longer than that.
uint64_t unpackDriverResponse(const struct ipmi_recv& received, uint8_t lun, uint8_t* response,
                              uint64_t capacity, bool* cutOff);
