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

TEST_F(Phases, ReadPhaseStoresUpTo255BytesAndCutsOffAt256) {
    for (size_t size : {255u, 256u, 257u, 400u}) {
        device().reset();
        answerWith(size);
        std::vector<uint8_t> response(KCS_MAX_RESPONSE + 16, 0xEE);
        uint64_t length = 2;
        EfiStatus status = getDeviceId(response.data(), &length);
        if (size == 255) {
            EXPECT_EQ(status, EFI_SUCCESS);
            EXPECT_EQ(length, 255u);
            EXPECT_EQ(device().state(), sim::KcsState::Idle);
            EXPECT_FALSE(device().outputFull());  // the closing dummy byte was read
        } else {
            EXPECT_EQ(status, EFI_BUFFER_TOO_SMALL) << size;
            EXPECT_EQ(length, 256u);
            EXPECT_EQ(device().state(), sim::KcsState::Read);
            EXPECT_EQ(device().aborts(), 0u);
        }
        size_t stored = size == 255 ? 255 : 256;
        EXPECT_EQ(response[0], 0x1C);
        EXPECT_EQ(response[stored - 1], static_cast<uint8_t>(stored - 1));
        EXPECT_EQ(response[stored], 0xEE);  // nothing beyond the limit
    }
}

TEST_F(Phases, ResponseEndingBeforeItsFirstByteKeepsTheRequestLength) {
    answerWith(0);
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    EXPECT_EQ(getDeviceId(response, &length), EFI_SUCCESS);
    EXPECT_EQ(length, 2u);
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
