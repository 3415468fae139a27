// The BMC's message layer: what it answers to a whole IPMI request, apart from
// how the bytes travel. The register-level KCS model hands it each request.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;
// Given the request bytes (NetFn/LUN, command, data), returns the whole
// response (NetFn/LUN, command, completion code, data).
using BmcHandler = std::function<Bytes(const Bytes& request)>;

class BmcResponder {
  public:
    void registerHandler(uint8_t netFn, uint8_t command, BmcHandler handler);
    void clear();
    Bytes respond(const Bytes& request);
    // Every request that reached the BMC, in order.
    const std::vector<Bytes>& received() const { return received_; }

  private:
    struct Entry {
        uint8_t netFn;
        uint8_t command;
        BmcHandler handler;
    };
    std::vector<Entry> handlers_;
    std::vector<Bytes> received_;
};

BmcResponder& bmc();

// A response header for `request` with the given completion code.
Bytes responseHeader(const Bytes& request, uint8_t completionCode);

}  // namespace sim
