#include "platform/sim/bmc_messages.h"

namespace sim {

void BmcResponder::registerHandler(uint8_t netFn, uint8_t command, BmcHandler handler) {
    for (Entry& entry : handlers_) {
        if (entry.netFn == netFn && entry.command == command) {
            entry.handler = std::move(handler);
            return;
        }
    }
    handlers_.push_back({netFn, command, std::move(handler)});
}

void BmcResponder::clear() {
    handlers_.clear();
    received_.clear();
}

Bytes responseHeader(const Bytes& request, uint8_t completionCode) {
    uint8_t netFnLun = request.empty() ? 0 : request[0];
    uint8_t command = request.size() < 2 ? 0 : request[1];
    // The response network function is the request's plus one (odd).
    return {static_cast<uint8_t>(netFnLun | 0x04), command, completionCode};
}

Bytes BmcResponder::respond(const Bytes& request) {
    received_.push_back(request);
    if (request.size() >= 2) {
        uint8_t netFn = request[0] >> 2;
        for (Entry& entry : handlers_) {
            if (entry.netFn == netFn && entry.command == request[1])
                return entry.handler(request);
        }
    }
    return responseHeader(request, 0xC1);  // Invalid Command
}

BmcResponder& bmc() {
    static BmcResponder responder;
    return responder;
}

}  // namespace sim
