#include "kcs/ipmi_reply.h"

namespace {

constexpr uint8_t LUN_BITS = 0x03;
constexpr uint8_t NETFN_SHIFT = 2;

// The response's NetFn is the request's plus one, in the same LUN; a request
// NetFn of 0x3F has no response NetFn, and nothing answers it.
bool echoesRequest(const uint8_t* request, const uint8_t* reply) {
    unsigned requestNetFn = request[0] >> NETFN_SHIFT;
    unsigned replyNetFn = reply[0] >> NETFN_SHIFT;
    return replyNetFn == requestNetFn + 1 && (reply[0] & LUN_BITS) == (request[0] & LUN_BITS) &&
           reply[1] == request[1];
}

}  // namespace

IpmiReplyShape ipmiReplyShape(const uint8_t* request, const uint8_t* reply, uint64_t length) {
    if (length < IPMI_REPLY_HEADER)
        return IPMI_REPLY_NO_COMPLETION_CODE;
    return echoesRequest(request, reply) ? IPMI_REPLY_ANSWERS : IPMI_REPLY_OTHER_ECHO;
}
