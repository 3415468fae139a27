// Random fault scripts: every request ends within the time its policy allows
// and never stores beyond KCS_MAX_RESPONSE.
#include <random>
#include <vector>

#include "tests/kcs/kcs_meter.h"

namespace {

// Waits of one write attempt: before WRITE_START, after it, after each byte
// but the last, after WRITE_END; of one read attempt: two per stored byte
// and one more that finds the response over or still running. Either may end
// in an error exit of six waits per attempt.
uint64_t waitBound(const KcsPolicy& policy, uint64_t count) {
    uint64_t recovery = 6ull * policy.recoveryAttempts;
    uint64_t perRequest = (count + 2 + recovery) + (2 * KCS_MAX_RESPONSE + 1 + recovery);
    return policy.phaseAttempts * perRequest;
}

class FaultDice {
  public:
    explicit FaultDice(uint32_t seed) : random_(seed) {}
    uint32_t below(uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_);
    }
    bool oneIn(uint32_t n) { return below(n) == 0; }

    sim::KcsFaults faults(const KcsPolicy& policy) {
        sim::KcsFaults f;
        if (oneIn(3)) {
            f.slowInput = below(24);
            const uint32_t choices[] = {1, policy.pollLimit - 1, policy.pollLimit,
                                        sim::KCS_IBF_NEVER_CLEARS};
            f.ibfBusyReads = choices[below(4)];
        } else {
            f.ibfBusyReads = below(3);
        }
        if (oneIn(5))
            f.obfWithheldFrom = below(300);
        if (oneIn(5)) {
            f.strayStateAt = below(300);
            f.strayState = oneIn(2) ? sim::KcsState::Error : sim::KcsState::Write;
        }
        if (oneIn(5))
            f.fillerAfterResponse = oneIn(2) ? below(300) : sim::KCS_ENDLESS_RESPONSE;
        f.dummyMissing = oneIn(6);
        f.abortStuck = oneIn(6);
        f.writeStartRefused = oneIn(8);
        return f;
    }

  private:
    std::mt19937 random_;
};

using Bounds = KcsBoard;

TEST_F(Bounds, RandomFaultScriptsEndWithinThePolicysBound) {
    FaultDice dice(0x4B435331u);
    for (int run = 0; run < 3000; ++run) {
        SetUp();
        KcsPolicy policy = dice.oneIn(2) ? PELGRIN_KCS_POLICY : DORVAX_KCS_POLICY;
        if (policy.stallBeforeRead)
            policy.pollIntervalUs = dice.below(0x10000) * 1000;
        usePolicy(policy);
        device().script(dice.faults(policy));
        answerWith(dice.below(320));

        std::vector<uint8_t> request = {0x18, 0x01};
        request.resize(1 + dice.below(8), 0x5A);
        std::vector<uint8_t> response(KCS_MAX_RESPONSE + 32, 0xEE);
        uint64_t length = request.size();
        KcsMeter meter;
        EfiStatus status = kcsRequest(request.data(), response.data(), &length);

        uint64_t waits = waitBound(policy, request.size());
        SCOPED_TRACE(run);
        EXPECT_LE(meter.cost().stalls, waits * policy.pollLimit);
        EXPECT_LE(meter.cost().micros, waits * policy.pollLimit * policy.pollIntervalUs);
        EXPECT_LE(meter.cost().micros, policy.requestDeadlineUs);
        EXPECT_LE(length, uint64_t{KCS_MAX_RESPONSE});
        for (size_t i = KCS_MAX_RESPONSE; i < response.size(); ++i)
            ASSERT_EQ(response[i], 0xEE);
        EXPECT_TRUE(status == EFI_SUCCESS || status == EFI_TIMEOUT || status == EFI_DEVICE_ERROR ||
                    status == EFI_BUFFER_TOO_SMALL)
            << std::hex << status;
    }
}

}  // namespace
