#include "platform/platform.h"
#include "tests/kcs/kcs_meter.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace {

class KcsWait : public KcsBoard {
  protected:
    // WRITE_START left in the input register; IBF then shows for `busyReads`
    // status reads.
    void holdInput(uint32_t busyReads) {
        device().script({sim::KCS_EVERY_INPUT, busyReads});
        platformPortWrite8(0x0CA3, 0x61);
    }
};

TEST_F(KcsWait, PortPrimitiveRejectsBadArgumentsWithoutTouchingAPort) {
    KcsMeter meter;
    uint8_t byte = 0x5A;
    EXPECT_EQ(kcsPortAccess(0x0CA2, 0x02, &byte), EFI_INVALID_PARAMETER);
    EXPECT_EQ(kcsPortAccess(0x0CA2, 0x00, &byte), EFI_INVALID_PARAMETER);
    EXPECT_EQ(kcsPortAccess(0x0CA2, KCS_PORT_READ, nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(kcsPortAccess(0x0CA2, KCS_PORT_WRITE, nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(meter.accesses(), 0u);
    EXPECT_EQ(byte, 0x5A);

    EXPECT_EQ(kcsPortAccess(0x0CA3, KCS_PORT_READ, &byte), EFI_SUCCESS);
    EXPECT_EQ(byte, 0x00);  // IDLE_STATE, IBF and OBF clear
    byte = 0x61;
    EXPECT_EQ(kcsPortAccess(0x0CA3, KCS_PORT_WRITE, &byte), EFI_SUCCESS);
    EXPECT_TRUE(device().inputFull());
    EXPECT_EQ(meter.cost().statusReads, 1u);
    EXPECT_EQ(meter.cost().commandWrites, 1u);
}

TEST_F(KcsWait, PelgrinPausesOnlyAfterAReadThatMissed) {
    KcsMeter holds;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_SUCCESS);
    EXPECT_EQ(holds.cost().statusReads, 1u);
    EXPECT_EQ(holds.cost().stalls, 0u);

    holdInput(999);  // clears on the 1000th, the last permitted read
    KcsMeter lastRead;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_SUCCESS);
    EXPECT_EQ(lastRead.cost().statusReads, 1000u);
    EXPECT_EQ(lastRead.cost().stalls, 999u);

    holdInput(sim::KCS_IBF_NEVER_CLEARS);
    KcsMeter never;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_TIMEOUT);
    EXPECT_EQ(never.cost().statusReads, 1000u);
    EXPECT_EQ(never.cost().stalls, 1000u);
    EXPECT_EQ(never.cost().micros, 1000u * 5000u);
}

TEST_F(KcsWait, DorvaxPausesBeforeEveryRead) {
    usePolicy(DORVAX_KCS_POLICY);
    KcsMeter holds;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_SUCCESS);
    EXPECT_EQ(holds.cost().statusReads, 1u);
    EXPECT_EQ(holds.cost().stalls, 1u);
    EXPECT_EQ(holds.cost().micros, 15000u);

    holdInput(49);
    KcsMeter lastRead;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_SUCCESS);
    EXPECT_EQ(lastRead.cost().statusReads, 50u);
    EXPECT_EQ(lastRead.cost().stalls, 50u);

    holdInput(sim::KCS_IBF_NEVER_CLEARS);
    KcsMeter never;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_TIMEOUT);
    EXPECT_EQ(never.cost().statusReads, 50u);
    EXPECT_EQ(never.cost().stalls, 50u);
    EXPECT_EQ(never.cost().micros, 50u * 15000u);

    kcsPolicy.pollIntervalUs = 0;
    KcsMeter zeroDelay;
    EXPECT_EQ(kcsWaitStatus(0x02, false), EFI_TIMEOUT);
    EXPECT_EQ(zeroDelay.cost().statusReads, 50u);
    EXPECT_EQ(zeroDelay.cost().micros, 0u);
}

TEST_F(KcsWait, StateCheckReportsIdleOnlyForIdleState) {
    uint8_t idleSeen = 7;
    EXPECT_EQ(kcsCheckState(0, &idleSeen), EFI_SUCCESS);
    EXPECT_EQ(idleSeen, 0);
    EXPECT_EQ(kcsCheckState(1, &idleSeen), EFI_DEVICE_ERROR);
    EXPECT_EQ(idleSeen, 1);

    platformPortWrite8(0x0CA3, 0x61);  // the BMC enters WRITE_STATE
    EXPECT_EQ(kcsCheckState(1, &idleSeen), EFI_DEVICE_ERROR);
    EXPECT_EQ(idleSeen, 0);
    EXPECT_EQ(kcsCheckState(2, &idleSeen), EFI_SUCCESS);
}

}  // namespace
