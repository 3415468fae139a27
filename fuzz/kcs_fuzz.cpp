// The KCS transport against a BMC whose every register read comes from the
// fuzz input: whatever the BMC does, a request stores at most 256 bytes and
// ends within the time its policy allows, never past its deadline.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kcs/kcs.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace {

class FuzzedBmc : public sim::PortDevice {
  public:
    FuzzedBmc(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Once the script is used up the BMC goes quiet: idle, nothing to offer.
    uint8_t read(uint16_t) override { return next_ < size_ ? data_[next_++] : 0x00; }
    void write(uint16_t, uint8_t) override {}

  private:
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 0;
};

// Waits of one write attempt (before and after WRITE_START, after each byte
// but the last, after WRITE_END) and of one read attempt (two per stored byte
// and one for the closing byte), each possibly followed by an error exit of
// six waits per attempt.
uint64_t waitBound(const KcsPolicy& policy, uint64_t count) {
    uint64_t recovery = 6ull * policy.recoveryAttempts;
    uint64_t write = count + 2 + recovery;
    uint64_t read = 2 * KCS_MAX_RESPONSE + 1 + recovery;
    return policy.phaseAttempts * (write + read);
}

KcsPolicy policyFrom(uint8_t selector) {
    KcsPolicy policy = (selector & 1) ? DORVAX_KCS_POLICY : PELGRIN_KCS_POLICY;
    if (policy.stallBeforeRead)
        policy.pollIntervalUs = (selector >> 1) * 1000u;
    return policy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    sim::resetBoard();
    kcsPolicy = policyFrom(data[0]);
    uint64_t requestLength = 1 + data[1] % 8;
    FuzzedBmc bmc(data + 2, size - 2);
    sim::attachPortDevice(&bmc);

    const uint8_t request[8] = {0x18, 0x01, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    std::vector<uint8_t> response(KCS_MAX_RESPONSE + 16, 0xEE);
    uint64_t length = requestLength;
    kcsRequest(request, response.data(), &length);

    uint64_t bound = waitBound(kcsPolicy, requestLength) * kcsPolicy.pollLimit;
    if (length > KCS_MAX_RESPONSE)
        abort();
    for (size_t i = KCS_MAX_RESPONSE; i < response.size(); ++i)
        if (response[i] != 0xEE)
            abort();
    if (sim::stallCount() > bound)
        abort();
    if (sim::nowMicros() > bound * kcsPolicy.pollIntervalUs)
        abort();
    if (sim::nowMicros() > kcsPolicy.requestDeadlineUs)
        abort();
    sim::attachPortDevice(nullptr);
    return 0;
}
