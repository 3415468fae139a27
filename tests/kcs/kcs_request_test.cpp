#include <vector>

#include "tests/kcs/kcs_meter.h"

namespace {

using Request = KcsBoard;

const uint8_t GET_DEVICE_ID[] = {0x18, 0x01};

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
    EXPECT_EQ(length, 0u);
}

// At 1 ms a pause the repeats fit the deadline (DeadlineEndsABmcThatNeverFinishes).
TEST_F(Request, DorvaxRepeatsFiftyWritesThenFiftyReads) {
    usePolicy(DORVAX_KCS_POLICY);
    kcsPolicy.pollIntervalUs = 1000;
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
    EXPECT_EQ(meter.cost().micros, (50u * 8 + 50u * 51) * 1000u);
    EXPECT_TRUE(sim::bmc().received().empty());
}

// Each read attempt counts only what it stored itself: bytes an earlier one
// left in the buffer are no reply.
TEST_F(Request, DorvaxReadAttemptsCountOnlyTheirOwnBytes) {
    usePolicy(DORVAX_KCS_POLICY);
    kcsPolicy.pollIntervalUs = 1000;
    sim::KcsFaults faults;
    faults.obfWithheldFrom = 3;
    device().script(faults);
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 0;
    KcsMeter meter;
    EXPECT_EQ(getDeviceId(response, &length), EFI_TIMEOUT);
    EXPECT_EQ(length, 0u);
    // Write phase 4 waits; first read attempt 3 bytes (6 waits), IBF and a
    // full OBF wait; 49 more attempts of IBF and a full OBF wait.
    EXPECT_EQ(meter.cost().stalls, 4u + 57 + 49u * 51);
    EXPECT_EQ(response[0], 0x1C);
    EXPECT_EQ(response[2], 0x00);
    EXPECT_EQ(device().writeStarts(), 1u);
    EXPECT_EQ(sim::bmc().received().size(), 1u);
}

// However the BMC stalls, one request ends by its policy's deadline: 5 s for
// pelgrin, 15 s for dorvax, error exits and repeated phases included.
TEST_F(Request, DeadlineEndsABmcThatNeverFinishes) {
    struct Case {
        const char* name;
        KcsPolicy policy;
        uint32_t pollIntervalUs;
        sim::KcsFaults faults;
        uint64_t stallsAtLeast;  // shows the request ran into the deadline
    };
    sim::KcsFaults lastRead;  // every byte taken on the last permitted read
    lastRead.ibfBusyReads = 999;
    sim::KcsFaults lastReadNoExit = lastRead;  // and an error exit that never ends
    lastReadNoExit.writeStartRefused = true;
    lastReadNoExit.abortStuck = true;
    sim::KcsFaults dorvaxLastRead;
    dorvaxLastRead.ibfBusyReads = 49;
    sim::KcsFaults dorvaxNoExit = dorvaxLastRead;
    dorvaxNoExit.writeStartRefused = true;
    dorvaxNoExit.abortStuck = true;
    sim::KcsFaults stuck;
    stuck.ibfBusyReads = sim::KCS_IBF_NEVER_CLEARS;
    const Case cases[] = {
        {"pelgrin, each byte on the last read", PELGRIN_KCS_POLICY, 5000, lastRead, 1000},
        {"pelgrin, and no end to the error exit", PELGRIN_KCS_POLICY, 5000, lastReadNoExit, 1000},
        // 916 waits: 13.7 s at 15 ms a pause, 18.3 s at 20 ms
        {"dorvax, each byte on the last read", DORVAX_KCS_POLICY, 20000, dorvaxLastRead, 750},
        {"dorvax, and no end to the error exit", DORVAX_KCS_POLICY, 15000, dorvaxNoExit, 1000},
        {"dorvax, IBF stuck", DORVAX_KCS_POLICY, 15000, stuck, 1000},
        // -delay FFFF: one pause cut to the deadline
        {"dorvax, 65535 ms pauses", DORVAX_KCS_POLICY, 65535000, stuck, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        usePolicy(c.policy);
        kcsPolicy.pollIntervalUs = c.pollIntervalUs;
        device().script(c.faults);
        uint8_t response[KCS_MAX_RESPONSE] = {};
        uint64_t length = 0;
        KcsMeter meter;
        EXPECT_EQ(getDeviceId(response, &length), EFI_TIMEOUT);
        EXPECT_EQ(meter.cost().micros, c.policy.requestDeadlineUs);
        EXPECT_GE(meter.cost().stalls, c.stallsAtLeast);
    }
    // Past its deadline a request is not begun.
    SetUp();
    uint8_t response[KCS_MAX_RESPONSE] = {};
    uint64_t length = 2;
    KcsMeter late;
    EXPECT_EQ(kcsRequestBy(GET_DEVICE_ID, response, &length, 0), EFI_TIMEOUT);
    EXPECT_EQ(late.accesses(), 0u);
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
