#include <vector>

#include "platform/platform.h"

#include "tests/kcs/kcs_meter.h"

namespace {

using Phases = KcsBoard;

TEST_F(Phases, WritePhaseOfNBytesTouchesEachRegisterTheIpmiNumberOfTimes) {
    for (const KcsPolicy& policy : {PELGRIN_KCS_POLICY, DORVAX_KCS_POLICY}) {
        usePolicy(policy);
        for (uint64_t n : {1u, 2u, 6u}) {
            device().reset();
            const uint8_t request[] = {0xB8, 0x21, 0x11, 0x22, 0x33, 0x0A};
            KcsMeter meter;
            ASSERT_EQ(kcsWritePhase(request, n), EFI_SUCCESS);
            KcsCost cost = meter.cost();
            EXPECT_EQ(cost.dataWrites, n);
            EXPECT_EQ(cost.commandWrites, 2u);
            EXPECT_EQ(cost.dataReads, n + 2);
            // n + 2 waits for IBF, n + 1 state checks
            EXPECT_EQ(cost.statusReads, 2 * n + 3);
            EXPECT_EQ(cost.stalls, policy.stallBeforeRead ? n + 2 : 0u);
            // The last byte is left for the read phase's first wait.
            EXPECT_TRUE(device().inputFull());
        }
    }
}

// A response that does not fit is aborted at once, not read on: the next
// request must find the interface idle, not the tail of this one.
TEST_F(Phases, ReadPhaseStoresUpTo256BytesAndAbortsALongerResponse) {
    struct Case {
        size_t size;
        uint64_t filler;  // bytes the BMC runs on after the response
        bool fits;
    };
    const Case cases[] = {
        {255, 0, true},  {256, 0, true},   {257, 0, false},
        {400, 0, false}, {14, 243, false}, {14, sim::KCS_ENDLESS_RESPONSE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size + c.filler);
        sim::KcsFaults faults;
        faults.fillerAfterResponse = c.filler;
        device().script(faults);
        answerWith(c.size);
        std::vector<uint8_t> response(KCS_MAX_RESPONSE + 16, 0xEE);
        uint64_t length = 2;
        EfiStatus status = getDeviceId(response.data(), &length);
        EXPECT_EQ(status, c.fits ? EFI_SUCCESS : EFI_BUFFER_TOO_SMALL);
        EXPECT_EQ(length, c.fits ? c.size : 256u);
        EXPECT_EQ(device().aborts(), c.fits ? 0u : 1u);
        EXPECT_EQ(device().state(), sim::KcsState::Idle);
        EXPECT_FALSE(device().outputFull());  // the closing dummy byte was read
        size_t stored = c.fits ? c.size : 256;
        EXPECT_EQ(response[0], 0x1C);
        uint8_t last = stored > c.size ? sim::KCS_FILLER_BYTE : static_cast<uint8_t>(stored - 1);
        EXPECT_EQ(response[stored - 1], last);
        EXPECT_EQ(response[stored], 0xEE);  // nothing beyond the limit
    }
}

// A caller's buffer may hold anything: a length left at the request's would
// pass its first bytes off as the BMC's.
TEST_F(Phases, ResponseEndingBeforeItsFirstByteStoresNothing) {
    answerWith(0);
    const uint8_t request[] = {0x18, 0x01};
    uint8_t response[KCS_MAX_RESPONSE] = {};
    ASSERT_EQ(kcsWritePhase(request, sizeof request), EFI_SUCCESS);
    uint64_t length = sizeof request;  // as a request leaves it
    EXPECT_EQ(kcsReadPhase(response, &length), EFI_SUCCESS);
    EXPECT_EQ(length, 0u);
    EXPECT_FALSE(device().outputFull());
}

TEST_F(Phases, WrongStateInReadPhaseRunsTheErrorExitAndFails) {
    for (sim::KcsState stray : {sim::KcsState::Error, sim::KcsState::Write}) {
        sim::KcsFaults faults;
        faults.strayStateAt = 4;
        faults.strayState = stray;
        device().script(faults);
        uint8_t response[KCS_MAX_RESPONSE] = {};
        uint64_t length = 0;
        EXPECT_EQ(getDeviceId(response, &length), EFI_DEVICE_ERROR);
        EXPECT_EQ(length, 4u);
        EXPECT_EQ(device().aborts(), 1u);
        EXPECT_EQ(device().state(), sim::KcsState::Idle);  // recovered, yet a failure
        EXPECT_FALSE(device().outputFull());
    }
}

TEST_F(Phases, ErrorExitNeverReachingReadStateGivesUpAfterThePolicysAttempts) {
    struct Case {
        KcsPolicy policy;
        uint64_t attempts;
    };
    for (const Case& c : {Case{PELGRIN_KCS_POLICY, 1001}, Case{DORVAX_KCS_POLICY, 51}}) {
        usePolicy(c.policy);
        sim::KcsFaults faults;
        faults.abortStuck = true;
        device().script(faults);
        KcsMeter meter;
        EXPECT_EQ(kcsErrorRecovery(), EFI_DEVICE_ERROR);
        EXPECT_EQ(device().aborts(), c.attempts);
        // Per attempt: three waits for IBF and the READ_STATE check.
        EXPECT_EQ(meter.cost().statusReads, 4 * c.attempts);
        EXPECT_EQ(meter.cost().stalls, c.policy.stallBeforeRead ? 3 * c.attempts : 0u);
    }
}

TEST_F(Phases, ErrorExitEndsAtItsFirstWaitThatRunsOut) {
    device().script({sim::KCS_EVERY_INPUT, sim::KCS_IBF_NEVER_CLEARS});
    platformPortWrite8(0x0CA3, 0x61);
    KcsMeter meter;
    EXPECT_EQ(kcsErrorRecovery(), EFI_TIMEOUT);
    EXPECT_EQ(meter.cost().stalls, 1000u);
    EXPECT_EQ(meter.cost().commandWrites, 0u);
}

TEST_F(Phases, WaitsThatRunOutEndThePhaseWithTimeout) {
    sim::KcsFaults missingDummy;
    missingDummy.dummyMissing = true;
    sim::KcsFaults noObf;
    noObf.obfWithheldFrom = 2;
    sim::KcsFaults ibfStuck;
    ibfStuck.slowInput = 2;  // WRITE_END of 18 01
    ibfStuck.ibfBusyReads = sim::KCS_IBF_NEVER_CLEARS;
    for (const sim::KcsFaults& faults : {missingDummy, noObf, ibfStuck}) {
        device().script(faults);
        uint8_t response[KCS_MAX_RESPONSE] = {};
        uint64_t length = 0;
        KcsMeter meter;
        EXPECT_EQ(getDeviceId(response, &length), EFI_TIMEOUT);
        EXPECT_EQ(meter.cost().stalls, 1000u);
        EXPECT_EQ(device().aborts(), 0u);
    }
}

}  // namespace
