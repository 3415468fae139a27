// Whether the bytes a request brought back are an answer to it: the transport
// carries them unexamined, and each program judges them with this one rule.
#pragma once

#include <stdint.h>

enum IpmiReplyShape {
    IPMI_REPLY_ANSWERS,             // header complete, echo matches
    IPMI_REPLY_NO_COMPLETION_CODE,  // fewer than 3 bytes
    IPMI_REPLY_OTHER_ECHO,          // NetFn/LUN or command of another request
};

// Network function/LUN, command and completion code come before any data.
constexpr uint64_t IPMI_REPLY_HEADER = 3;

// `request` holds at least NetFn/LUN and command; `reply` `length` bytes. A
// reply answers when it echoes NetFn + 1 with the request's LUN and the
// request's command.
IpmiReplyShape ipmiReplyShape(const uint8_t* request, const uint8_t* reply, uint64_t length);
