// The BMC end of the IPMI KCS system interface, register by register: status
// (OBF, IBF, C/D, state), data in and out, the control codes, and the write,
// read and error-exit flows. Whole requests go to sim::bmc(); its responses
// are played back byte by byte. Faults are scripted per test.
#pragma once

#include <cstdint>

#include "platform/sim/bmc_messages.h"
#include "platform/sim/sim_board.h"

namespace sim {

enum class KcsState : uint8_t { Idle = 0, Read = 1, Write = 2, Error = 3 };

constexpr uint32_t KCS_IBF_NEVER_CLEARS = UINT32_MAX;
constexpr int64_t KCS_EVERY_INPUT = -1;
constexpr int64_t KCS_NO_FAULT = -1;
constexpr uint64_t KCS_ENDLESS_RESPONSE = UINT64_MAX;
constexpr uint8_t KCS_FILLER_BYTE = 0xA5;

struct KcsFaults {
    // The host write with this index (counted from 0 since the script was
    // set; KCS_EVERY_INPUT: every write) stays untaken for `ibfBusyReads`
    // status reads: IBF clears on read ibfBusyReads + 1.
    int64_t slowInput = KCS_EVERY_INPUT;
    uint32_t ibfBusyReads = 0;
    // From the response byte with this index on, the byte is never offered:
    // the BMC stays in READ_STATE with OBF clear.
    int64_t obfWithheldFrom = KCS_NO_FAULT;
    // Instead of offering the response byte with this index, the BMC shows
    // `strayState` (WRITE or ERROR) and offers nothing.
    int64_t strayStateAt = KCS_NO_FAULT;
    KcsState strayState = KcsState::Error;
    // After the real response the BMC keeps offering this many filler bytes
    // (KCS_FILLER_BYTE; KCS_ENDLESS_RESPONSE: it never stops), as a BMC with
    // a runaway length counter does.
    uint64_t fillerAfterResponse = 0;
    // The response's closing dummy byte never arrives: IDLE_STATE, OBF clear.
    bool dummyMissing = false;
    // The error exit never reaches READ_STATE: the BMC stays in ERROR_STATE.
    bool abortStuck = false;
    // WRITE_START is answered with ERROR_STATE.
    bool writeStartRefused = false;
    // Get Device ID's reply cut to NetFn/LUN and command (SIM_FAULTS
    // reply-short), or carrying another command's echo (reply-echo).
    bool deviceIdShort = false;
    bool deviceIdOtherEcho = false;
};

// The command whose echo a reply-echo Get Device ID reply carries: Get Self
// Test Results, a reply a BMC might still hold from an earlier request.
constexpr uint8_t KCS_OTHER_ECHO_COMMAND = 0x04;

// KCS interface status codes that the BMC offers in the error exit.
constexpr uint8_t KCS_NO_ERROR = 0x00;
constexpr uint8_t KCS_ABORTED_BY_COMMAND = 0x01;
constexpr uint8_t KCS_ILLEGAL_CONTROL_CODE = 0x02;
constexpr uint8_t KCS_LENGTH_ERROR = 0x06;

class KcsBmc : public PortDevice {
  public:
    static constexpr uint16_t DATA_PORT = 0x0CA2;
    static constexpr uint16_t COMMAND_STATUS_PORT = 0x0CA3;
    static constexpr size_t MAX_REQUEST = 272;

    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;

    // A new script also puts the interface back to IDLE_STATE, empty.
    void script(const KcsFaults& faults);
    void reset() { script(KcsFaults{}); }

    KcsState state() const { return state_; }
    bool inputFull() const { return ibf_; }
    bool outputFull() const { return obf_; }
    uint64_t writeStarts() const { return writeStarts_; }
    uint64_t aborts() const { return aborts_; }
    // Host writes that replaced a byte the BMC had not taken yet.
    uint64_t overruns() const { return overruns_; }

  private:
    enum class Phase { Idle, WriteData, WriteEnd, Read, AbortStatus, AbortDone, Error };

    uint8_t statusRegister();
    uint8_t dataOutRegister();
    void acceptInput(uint8_t value, bool command);
    void takeInput();
    void takeCommand(uint8_t code);
    void takeData(uint8_t value);
    void takeRequestByte(uint8_t value, bool last);
    void takeReadCode(uint8_t value);
    void takeAbortData();
    void startResponse();
    void alterDeviceIdReply();
    void offerResponseByte();
    bool responseEndsAt(size_t index) const;
    void endResponse();
    void failTransfer(uint8_t errorCode);
    void offer(uint8_t value);

    KcsFaults faults_{};
    KcsState state_ = KcsState::Idle;
    Phase phase_ = Phase::Idle;
    bool ibf_ = false;
    bool obf_ = false;
    bool commandLast_ = false;
    uint8_t dataIn_ = 0;
    uint8_t dataOut_ = 0;
    uint8_t errorCode_ = KCS_NO_ERROR;
    int64_t inputIndex_ = -1;
    uint32_t busyReadsLeft_ = 0;
    Bytes request_;
    Bytes response_;
    size_t responseIndex_ = 0;
    uint64_t writeStarts_ = 0;
    uint64_t aborts_ = 0;
    uint64_t overruns_ = 0;
};

// The board's KCS BMC, attached by installDefaultKcsBmc.
KcsBmc& kcsBmc();

// The Get Device ID answer of the default board.
struct DeviceIdentity {
    uint8_t deviceId = 0x20;
    uint8_t deviceRevision = 0x01;
    uint8_t firmwareRevision1 = 0x01;
    uint8_t firmwareRevision2 = 0x23;
    uint8_t ipmiVersion = 0x02;
    uint8_t additionalSupport = 0xBF;
    uint32_t manufacturerId = 0x000000;
    uint16_t productId = 0x0001;
};
void setDeviceIdentity(const DeviceIdentity& identity);
Bytes deviceIdResponse(const Bytes& request);

}  // namespace sim
