#include "pelgrin/channel/ipmi_exchange.h"

#include <string.h>

namespace {

constexpr uint64_t REPLY_HEADER = 3;             // network function/LUN, command, completion code
constexpr uint8_t RESPONSE_NETFN_STEP = 1 << 2;  // NetFn + 1, LUN kept

}  // namespace

ExchangeOutcome ipmiExchange(const uint8_t* request, uint64_t count, IpmiReply* reply) {
    memset(reply->bytes, 0, sizeof reply->bytes);
    reply->length = count;
    EfiStatus status = kcsRequest(request, reply->bytes, &reply->length);
    if (status != EFI_SUCCESS)
        reply->outcome = EXCHANGE_NO_REPLY;
    else if (reply->length < REPLY_HEADER)
        reply->outcome = EXCHANGE_NO_COMPLETION_CODE;
    else if (reply->bytes[0] != static_cast<uint8_t>(request[0] + RESPONSE_NETFN_STEP) ||
             reply->bytes[1] != request[1])
        reply->outcome = EXCHANGE_OTHER_ECHO;
    else
        reply->outcome = EXCHANGE_ANSWERED;
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
