// Write FRU Data (Storage, 0x12) on the simulated FRU device 0, and the
// SIM_FAULTS that make it behave like the BMCs a FRU write meets in the field.
#include <algorithm>

#include "platform/sim/fru_bmc.h"

namespace sim {

namespace {

constexpr uint8_t NETFN_STORAGE = 0x0A;
constexpr uint8_t CMD_WRITE_DATA = 0x12;
constexpr size_t WRITE_HEADER = 5;  // NetFn, command, device, offset (2)
constexpr uint8_t CC_WRITE_PROTECTED = 0x80;
constexpr uint8_t CC_BUSY = 0x81;
constexpr uint8_t CC_REQUEST_LENGTH = 0xC7;
constexpr uint8_t CC_NOT_PRESENT = 0xCB;
constexpr uint8_t CC_INVALID_FIELD = 0xCC;

}  // namespace

FruBmcScript FruBmc::withAreaFaults(FruBmcScript script) {
    const SimFaults& faults = simFaults();
    if (faults.fruArea)
        script.areaSize = *faults.fruArea;
    if (faults.fruWords)
        script.wordAccess = true;
    return script;
}

void FruBmc::installWriteSide() {
    writeFaults_ = simFaults();
    writeBusyLeft_ = writeFaults_.fruBusy.value_or(0);
    bmc().registerHandler(NETFN_STORAGE, CMD_WRITE_DATA,
                          [this](const Bytes& r) { return answerWrite(r); });
}

// Checked in the order a BMC would: the request's form, a busy device, the
// length it takes, the area's end, then the protected range; a refused
// write changes nothing.
Bytes FruBmc::answerWrite(const Bytes& request) {
    writeRequests_++;
    if (script_.refusal != 0)
        return responseHeader(request, script_.refusal);
    if (request.size() <= WRITE_HEADER || request[2] != 0)
        return responseHeader(request,
                              request.size() <= WRITE_HEADER ? CC_REQUEST_LENGTH : CC_NOT_PRESENT);
    if (writeBusyLeft_ > 0) {
        writeBusyLeft_--;
        return responseHeader(request, CC_BUSY);
    }
    size_t count = request.size() - WRITE_HEADER;
    if (writeFaults_.fruMaxWrite && count > *writeFaults_.fruMaxWrite)
        return responseHeader(request, CC_REQUEST_LENGTH);
    const size_t unit = script_.wordAccess ? 2 : 1;
    const size_t offset = (request[3] | request[4] << 8) * unit;
    if (count % unit != 0 || offset + count > area_.size())
        return responseHeader(request, CC_INVALID_FIELD);
    if (writeFaults_.fruWriteProtect && offset + count > *writeFaults_.fruWriteProtect)
        return responseHeader(request, CC_WRITE_PROTECTED);
    // Writes that stop at the device's page end take fewer bytes than sent.
    if (writeFaults_.fruShortWrite)
        count = std::max(unit, count / 2 / unit * unit);
    const auto data = request.begin() + WRITE_HEADER;
    std::copy(data, data + static_cast<std::ptrdiff_t>(count), area_.begin() + offset);
    Bytes response = responseHeader(request, 0);
    response.push_back(static_cast<uint8_t>(count / unit));
    return response;
}

}  // namespace sim
