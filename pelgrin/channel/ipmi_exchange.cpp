#include "pelgrin/channel/ipmi_exchange.h"

#include <string.h>

#include "kcs/ipmi_reply.h"

namespace {

constexpr uint64_t REQUEST_HEADER = 2;  // network function/LUN, command

ExchangeOutcome outcomeOf(IpmiReplyShape shape) {
    switch (shape) {
        case IPMI_REPLY_ANSWERS:
            return EXCHANGE_ANSWERED;
        case IPMI_REPLY_NO_COMPLETION_CODE:
            return EXCHANGE_NO_COMPLETION_CODE;
        case IPMI_REPLY_OTHER_ECHO:
            return EXCHANGE_OTHER_ECHO;
    }
    return EXCHANGE_NO_REPLY;
}

}  // namespace

// The buffer is cleared first: bytes the BMC did not send read as zeros, never
// as an earlier reply's.
ExchangeOutcome ipmiExchange(const uint8_t* request, uint64_t count, IpmiReply* reply) {
    memset(reply->bytes, 0, sizeof reply->bytes);
    reply->length = 0;
    reply->outcome = EXCHANGE_NO_REPLY;
    if (request == nullptr || count < REQUEST_HEADER)
        return reply->outcome;
    reply->length = count;
    if (kcsRequest(request, reply->bytes, &reply->length) == EFI_SUCCESS)
        reply->outcome = outcomeOf(ipmiReplyShape(request, reply->bytes, reply->length));
    return reply->outcome;
}

const char* exchangeFailureText(ExchangeOutcome outcome) {
    switch (outcome) {
        case EXCHANGE_ANSWERED:
            return "";
        case EXCHANGE_NO_REPLY:
            return "no reply";
        case EXCHANGE_NO_COMPLETION_CODE:
            return "a reply with no completion code";
        case EXCHANGE_OTHER_ECHO:
            return "a reply to another request";
    }
    return "no reply";
}
