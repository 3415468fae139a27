#include <vector>

#include "tests/kcs/kcs_meter.h"

namespace {

using Request = KcsBoard;

TEST_F(Request, GetDeviceIdReturnsTheBmcsBytesInOrder) {
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    ASSERT_EQ(getDeviceId(response, &length), EFI_SUCCESS);
    // NetFn/LUN, command, completion code, device ID, revision, firmware
    // 1.23, IPMI 2.0, support, manufacturer and product least significant first.
    const std::vector<uint8_t> expected = {0x1C, 0x01, 0x00, 0x20, 0x01, 0x01, 0x23,
                                           0x02, 0xBF, 0x00, 0x00, 0x00, 0x01, 0x00};
    ASSERT_EQ(length, expected.size());
    EXPECT_EQ(std::vector<uint8_t>(response, response + length), expected);
    ASSERT_EQ(sim::bmc().received().size(), 1u);
    EXPECT_EQ(sim::bmc().received()[0], (sim::Bytes{0x18, 0x01}));
    EXPECT_EQ(device().overruns(), 0u);
    EXPECT_EQ(device().state(), sim::KcsState::Idle);
}

TEST_F(Request, EmptyRequestOrFloatingBusEndsAtOnce) {
    uint8_t request[2] = {0x18, 0x01};
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    KcsMeter empty;
    EXPECT_EQ(kcsRequest(request, response, &length), EFI_INVALID_PARAMETER);
    length = 2;
    EXPECT_EQ(kcsRequest(nullptr, response, &length), EFI_INVALID_PARAMETER);
    EXPECT_EQ(empty.accesses(), 0u);

    for (const KcsPolicy& policy : {PELGRIN_KCS_POLICY, DORVAX_KCS_POLICY}) {
        usePolicy(policy);
        sim::attachPortDevice(nullptr);
        KcsMeter floating;
        length = 2;
        EXPECT_EQ(kcsRequest(request, response, &length), EFI_NOT_FOUND);
        EXPECT_EQ(floating.accesses(), 1u);
        EXPECT_EQ(floating.cost().stalls, 0u);
    }
}

TEST_F(Request, PelgrinEndsAtTheFirstFailedPhase) {
    sim::KcsFaults faults;
    faults.writeStartRefused = true;
    device().script(faults);
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    // A read phase after the write would time out on the consumed dummy byte.
    EXPECT_EQ(getDeviceId(response, &length), EFI_DEVICE_ERROR);
    EXPECT_EQ(device().writeStarts(), 1u);
    EXPECT_EQ(device().aborts(), 1u);
    EXPECT_EQ(length, 2u);
}

TEST_F(Request, DorvaxRepeatsFiftyWritesThenFiftyReads) {
    usePolicy(DORVAX_KCS_POLICY);
    sim::KcsFaults faults;
    faults.writeStartRefused = true;
    device().script(faults);
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    KcsMeter meter;
    EXPECT_EQ(getDeviceId(response, &length), EFI_TIMEOUT);
    EXPECT_EQ(device().writeStarts(), 50u);
    EXPECT_EQ(device().aborts(), 50u);
    // Write attempt: 2 waits + 6 in a successful error exit. Read attempt:
    // IBF, then IDLE_STATE and 50 reads for the dummy byte that never comes.
    EXPECT_EQ(meter.cost().stalls, 50u * 8 + 50u * 51);
    EXPECT_EQ(meter.cost().micros, (50u * 8 + 50u * 51) * 15000u);
    EXPECT_TRUE(sim::bmc().received().empty());
}

TEST_F(Request, DorvaxReadAttemptsKeepTheLengthOfTheLastBytesStored) {
    usePolicy(DORVAX_KCS_POLICY);
    sim::KcsFaults faults;
    faults.obfWithheldFrom = 3;
    device().script(faults);
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    KcsMeter meter;
    EXPECT_EQ(getDeviceId(response, &length), EFI_TIMEOUT);
    EXPECT_EQ(length, 3u);
    // Write phase 4 waits; first read attempt 3 bytes (6 waits), IBF and a
    // full OBF wait; 49 more attempts of IBF and a full OBF wait.
    EXPECT_EQ(meter.cost().stalls, 4u + 57 + 49u * 51);
    EXPECT_EQ(response[0], 0x1C);
    EXPECT_EQ(response[2], 0x00);
    EXPECT_EQ(device().writeStarts(), 1u);
    EXPECT_EQ(sim::bmc().received().size(), 1u);
}

// Neither policy reads again after an over-long response: a second read
// attempt would find the aborted interface idle and wait for nothing.
TEST_F(Request, OverLongResponseEndsTheRequestAndTheNextOneStartsClean) {
    for (const KcsPolicy& policy : {PELGRIN_KCS_POLICY, DORVAX_KCS_POLICY}) {
        for (uint64_t filler : {uint64_t{300}, sim::KCS_ENDLESS_RESPONSE}) {
            SetUp();
            usePolicy(policy);
            sim::KcsFaults faults;
            faults.fillerAfterResponse = filler;
            device().script(faults);
            uint8_t response[KCS_MAX_RESPONSE] = {};
            uint64_t length = 0;
            KcsMeter meter;
            EXPECT_EQ(getDeviceId(response, &length), EFI_BUFFER_TOO_SMALL);
            EXPECT_EQ(device().writeStarts(), 1u);
            EXPECT_EQ(device().aborts(), 1u);
            // Write phase 4 waits, 256 bytes of 2 waits, the wait that saw
            // READ_STATE once more, then one error exit of 6 waits.
            uint64_t waits = 4 + 2 * 256 + 1 + 6;
            EXPECT_EQ(meter.cost().stalls, policy.stallBeforeRead ? waits : 0u);

            device().script(sim::KcsFaults{});
            ASSERT_EQ(getDeviceId(response, &length), EFI_SUCCESS);
            EXPECT_EQ(length, 14u);
            EXPECT_EQ(response[2], 0x00);
            EXPECT_EQ(device().overruns(), 0u);
        }
    }
}

}  // namespace
