// One IPMI request and its reply over KCS, taken as an answer only when it is
// one: the transport carried it, the reply holds a completion code, and its
// first two bytes echo the request's network function (+1, same LUN) and
// command. Every request pelgrin sends goes through here.
#pragma once

#include <stdint.h>

#include "kcs/kcs.h"

enum ExchangeOutcome {
    EXCHANGE_ANSWERED,            // completionCode() is the BMC's answer
    EXCHANGE_NO_REPLY,            // the transport failed or timed out
    EXCHANGE_NO_COMPLETION_CODE,  // fewer than 3 bytes came back
    EXCHANGE_OTHER_ECHO,          // the reply answers another request
};

struct IpmiReply {
    uint8_t bytes[KCS_MAX_RESPONSE];
    uint64_t length;  // bytes the transport stored
    ExchangeOutcome outcome;
    uint8_t completionCode() const { return bytes[2]; }
};

// `request` is network function/LUN, command, data; `count` >= 2.
ExchangeOutcome ipmiExchange(const uint8_t* request, uint64_t count, IpmiReply* reply);

// The step's words for a failed exchange ("no reply", "a reply with no
// completion code", "a reply to another request"); empty for an answer.
const char* exchangeFailureText(ExchangeOutcome outcome);
