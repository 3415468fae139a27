#include "platform/linux/ipmi_message.h"

#include <string.h>

namespace {

constexpr uint64_t kHeaderBytes = 2;  // netFn/LUN and command

}  // namespace

bool packDriverRequest(const uint8_t* bytes, uint64_t length, long messageId, DriverRequest* out) {
    if (bytes == nullptr || length < kHeaderBytes || length - kHeaderBytes > IPMI_MAX_MSG_LENGTH)
        return false;
    memset(out, 0, sizeof *out);
    out->address.addr_type = IPMI_SYSTEM_INTERFACE_ADDR_TYPE;
    out->address.channel = IPMI_BMC_CHANNEL;
    out->address.lun = bytes[0] & 0x03;
    out->request.addr = reinterpret_cast<unsigned char*>(&out->address);
    out->request.addr_len = sizeof out->address;
    out->request.msgid = messageId;
    out->request.msg.netfn = bytes[0] >> 2;
    out->request.msg.cmd = bytes[1];
    out->request.msg.data_len = static_cast<unsigned short>(length - kHeaderBytes);
    out->request.msg.data = const_cast<uint8_t*>(bytes + kHeaderBytes);
    return true;
}

uint64_t unpackDriverResponse(const struct ipmi_recv& received, uint8_t lun, uint8_t* response,
                              uint64_t capacity, bool* cutOff) {
    uint8_t header[kHeaderBytes] = {static_cast<uint8_t>(received.msg.netfn << 2 | (lun & 0x03)),
                                    received.msg.cmd};
    const uint64_t total = kHeaderBytes + received.msg.data_len;
    const uint64_t stored = total < capacity ? total : capacity;
    for (uint64_t i = 0; i < stored; ++i)
        response[i] = i < kHeaderBytes ? header[i] : received.msg.data[i - kHeaderBytes];
    *cutOff = total > capacity;
    return stored;
}
