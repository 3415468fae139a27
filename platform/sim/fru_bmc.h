// FRU device 0 of the simulated BMC: Get FRU Inventory Area Info and Read
// FRU Data over the KCS message layer, the FRU image of every SKU.BIN the
// shared-memory BMC takes applied to it, and the reset that follows, during
// which the KCS interface is gone. Faults are scripted per test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/sim/bmc_messages.h"
#include "platform/sim/sim_faults.h"

namespace sim {

constexpr uint64_t FRU_BMC_NEVER_BACK = UINT64_MAX;
constexpr uint8_t FRU_BMC_ANSWERS_AS_ASKED = 0;

struct FruBmcScript {
    // The area's size in bytes; an applied image is cut to it, and the rest
    // of the area holds zeros.
    uint32_t areaSize = 1024;
    // FRU device 0 before any SKU.BIN arrives.
    Bytes initialContent;
    // The area is addressed in 16-bit words rather than bytes.
    bool wordAccess = false;
    // From taking SKU.BIN until the KCS interface answers again: 90 s, as
    // the quickest BMCs measured on the line.
    uint64_t resetMicros = 90000000;
    // Once back, Get Device ID says "update or initialisation in progress"
    // (firmware revision 1, bit 7) this long.
    uint64_t busyAfterResetMicros = 0;
    // Once back, the FRU held before the reset is served this long.
    uint64_t lateAfterResetMicros = 0;
    // The image is applied with another board serial number, of another
    // length (SIM_FAULTS fru-other-serial).
    bool otherBoardSerial = false;
    // After the reset the interface is back but never takes a byte: every
    // request waits out the transport's own time-outs.
    bool hangsAfterReset = false;
    // Changes the FRU image before it is applied, as a BMC that stores
    // something else than it was sent.
    std::function<void(Bytes&)> alterApplied;
    // At most this many data bytes per Read FRU Data answer.
    uint8_t largestAnswer = FRU_BMC_ANSWERS_AS_ASKED;
    // Counts above this one are refused with `countRefusal`.
    uint8_t largestCount = 255;
    uint8_t countRefusal = 0xC7;
    // This many Read FRU Data requests are answered 0x81 (busy) first.
    uint32_t busyAnswers = 0;
    // Non-zero: both FRU commands are answered with this code only.
    uint8_t refusal = 0;
};

class FruBmc {
  public:
    // Handlers registered on sim::bmc(), the shared-memory BMC's received
    // files followed.
    void install(const FruBmcScript& script);
    const Bytes& area() const { return area_; }
    uint64_t readRequests() const { return readRequests_; }
    uint64_t writeRequests() const { return writeRequests_; }

  private:
    Bytes answerAreaInfo(const Bytes& request);
    Bytes answerRead(const Bytes& request);
    void apply(const Bytes& skuImage);
    // Write FRU Data and the fru-* SIM_FAULTS (fru_bmc_write.cpp).
    static FruBmcScript withAreaFaults(FruBmcScript script);
    void installWriteSide();
    Bytes answerWrite(const Bytes& request);
    void goDown();
    void onTime(uint64_t now);
    Bytes answerDeviceId(const Bytes& request);

    FruBmcScript script_;
    Bytes area_;
    uint64_t readRequests_ = 0;
    uint32_t busyLeft_ = 0;
    SimFaults writeFaults_;
    uint64_t writeRequests_ = 0;
    uint32_t writeBusyLeft_ = 0;
    bool down_ = false;
    uint64_t backAt_ = 0;
    bool reset_ = false;
    // What the area holds once a late BMC serves what it was sent.
    Bytes applied_;
    bool lateSwapPending_ = false;
};

// The FRU image with its board serial number replaced by one of another
// length (the board area, the areas behind it and the header's checksums
// kept right); unchanged when it has no board serial number in text.
Bytes withOtherBoardSerial(const Bytes& fru);

// The default board's script, with the faults of simFaults() that concern
// FRU device 0 and the BMC's return from its reset.
FruBmcScript defaultFruBmcScript();

FruBmc& fruBmc();
FruBmc& installFruBmc(const FruBmcScript& script);

}  // namespace sim
