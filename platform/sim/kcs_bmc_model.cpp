#include "platform/sim/kcs_bmc.h"

namespace sim {
namespace {

const uint8_t STATUS_OBF = 0x01;
const uint8_t STATUS_IBF = 0x02;
const uint8_t STATUS_COMMAND = 0x08;

const uint8_t CODE_GET_STATUS_ABORT = 0x60;
const uint8_t CODE_WRITE_START = 0x61;
const uint8_t CODE_WRITE_END = 0x62;
const uint8_t CODE_READ = 0x68;

const uint8_t DUMMY_BYTE = 0x00;

const uint8_t NETFN_APP = 0x06;
const uint8_t CMD_GET_DEVICE_ID = 0x01;
const size_t SHORT_REPLY = 2;

}  // namespace

void KcsBmc::script(const KcsFaults& faults) {
    *this = KcsBmc{};
    faults_ = faults;
}

uint8_t KcsBmc::read(uint16_t port) {
    if (port == COMMAND_STATUS_PORT)
        return statusRegister();
    if (port == DATA_PORT)
        return dataOutRegister();
    return 0xFF;
}

void KcsBmc::write(uint16_t port, uint8_t value) {
    if (port == COMMAND_STATUS_PORT || port == DATA_PORT)
        acceptInput(value, port == COMMAND_STATUS_PORT);
}

// The BMC firmware takes a waiting byte when the host next looks at the
// status, unless the script keeps it busy for a number of looks.
uint8_t KcsBmc::statusRegister() {
    if (ibf_) {
        if (busyReadsLeft_ == 0)
            takeInput();
        else if (busyReadsLeft_ != KCS_IBF_NEVER_CLEARS)
            --busyReadsLeft_;
    }
    uint8_t status = static_cast<uint8_t>(static_cast<uint8_t>(state_) << 6);
    if (commandLast_)
        status |= STATUS_COMMAND;
    if (ibf_)
        status |= STATUS_IBF;
    if (obf_)
        status |= STATUS_OBF;
    return status;
}

uint8_t KcsBmc::dataOutRegister() {
    obf_ = false;
    return dataOut_;
}

void KcsBmc::acceptInput(uint8_t value, bool command) {
    if (ibf_)
        ++overruns_;
    ++inputIndex_;
    dataIn_ = value;
    commandLast_ = command;
    ibf_ = true;
    bool slow = faults_.slowInput == KCS_EVERY_INPUT || faults_.slowInput == inputIndex_;
    busyReadsLeft_ = slow ? faults_.ibfBusyReads : 0;
}

void KcsBmc::takeInput() {
    ibf_ = false;
    if (commandLast_)
        takeCommand(dataIn_);
    else
        takeData(dataIn_);
}

void KcsBmc::takeCommand(uint8_t code) {
    if (code == CODE_WRITE_START) {
        ++writeStarts_;
        request_.clear();
        if (faults_.writeStartRefused)
            return failTransfer(KCS_ILLEGAL_CONTROL_CODE);
        state_ = KcsState::Write;
        phase_ = Phase::WriteData;
        errorCode_ = KCS_NO_ERROR;
        return offer(DUMMY_BYTE);
    }
    if (code == CODE_WRITE_END && phase_ == Phase::WriteData) {
        phase_ = Phase::WriteEnd;
        return offer(DUMMY_BYTE);
    }
    if (code == CODE_GET_STATUS_ABORT) {
        ++aborts_;
        if (errorCode_ == KCS_NO_ERROR)
            errorCode_ = KCS_ABORTED_BY_COMMAND;
        state_ = KcsState::Write;
        phase_ = Phase::AbortStatus;
        return offer(DUMMY_BYTE);
    }
    failTransfer(KCS_ILLEGAL_CONTROL_CODE);
}

void KcsBmc::takeData(uint8_t value) {
    switch (phase_) {
        case Phase::WriteData:
            return takeRequestByte(value, false);
        case Phase::WriteEnd:
            return takeRequestByte(value, true);
        case Phase::Read:
            return takeReadCode(value);
        case Phase::AbortStatus:
            return takeAbortData();
        case Phase::AbortDone:
            if (value != CODE_READ)
                return failTransfer(KCS_ILLEGAL_CONTROL_CODE);
            phase_ = Phase::Idle;
            state_ = KcsState::Idle;
            return offer(DUMMY_BYTE);
        case Phase::Idle:
        case Phase::Error:
            return failTransfer(KCS_ILLEGAL_CONTROL_CODE);
    }
}

void KcsBmc::takeRequestByte(uint8_t value, bool last) {
    if (request_.size() == MAX_REQUEST)
        return failTransfer(KCS_LENGTH_ERROR);
    request_.push_back(value);
    if (last)
        return startResponse();
    offer(DUMMY_BYTE);
}

void KcsBmc::takeReadCode(uint8_t value) {
    if (value != CODE_READ)
        return failTransfer(KCS_ILLEGAL_CONTROL_CODE);
    ++responseIndex_;
    offerResponseByte();
}

void KcsBmc::takeAbortData() {
    if (faults_.abortStuck) {
        state_ = KcsState::Error;
        return;
    }
    state_ = KcsState::Read;
    phase_ = Phase::AbortDone;
    offer(errorCode_);
}

// Applied to whatever part of the board answered, so that the fault holds
// for every Get Device ID the tools send.
void KcsBmc::alterDeviceIdReply() {
    bool deviceId =
        request_.size() >= 2 && (request_[0] >> 2) == NETFN_APP && request_[1] == CMD_GET_DEVICE_ID;
    if (!deviceId || response_.size() < SHORT_REPLY)
        return;
    if (faults_.deviceIdShort)
        response_.resize(SHORT_REPLY);
    if (faults_.deviceIdOtherEcho)
        response_[1] = KCS_OTHER_ECHO_COMMAND;
}

void KcsBmc::startResponse() {
    response_ = bmc().respond(request_);
    alterDeviceIdReply();
    responseIndex_ = 0;
    phase_ = Phase::Read;
    offerResponseByte();
}

bool KcsBmc::responseEndsAt(size_t index) const {
    if (index < response_.size() || faults_.fillerAfterResponse == KCS_ENDLESS_RESPONSE)
        return false;
    return index - response_.size() >= faults_.fillerAfterResponse;
}

void KcsBmc::offerResponseByte() {
    if (responseEndsAt(responseIndex_))
        return endResponse();
    int64_t index = static_cast<int64_t>(responseIndex_);
    if (faults_.strayStateAt != KCS_NO_FAULT && index >= faults_.strayStateAt) {
        state_ = faults_.strayState;
        phase_ = Phase::Error;
        return;
    }
    state_ = KcsState::Read;
    if (faults_.obfWithheldFrom != KCS_NO_FAULT && index >= faults_.obfWithheldFrom)
        return;
    offer(responseIndex_ < response_.size() ? response_[responseIndex_] : KCS_FILLER_BYTE);
}

void KcsBmc::endResponse() {
    state_ = KcsState::Idle;
    phase_ = Phase::Idle;
    if (!faults_.dummyMissing)
        offer(DUMMY_BYTE);
}

void KcsBmc::failTransfer(uint8_t errorCode) {
    errorCode_ = errorCode;
    state_ = KcsState::Error;
    phase_ = Phase::Error;
}

void KcsBmc::offer(uint8_t value) {
    dataOut_ = value;
    obf_ = true;
}

}  // namespace sim
