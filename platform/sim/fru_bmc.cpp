#include "platform/sim/fru_bmc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sim/kcs_bmc.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/smem_board.h"

namespace sim {

namespace {

constexpr uint8_t NETFN_APP = 0x06;
constexpr uint8_t CMD_GET_DEVICE_ID = 0x01;
// Get Device ID's firmware revision 1 (response byte 5), bit 7.
constexpr size_t FIRMWARE_REVISION_1 = 5;
constexpr uint8_t DEVICE_BUSY = 0x80;
constexpr uint64_t MICROS_PER_SECOND = 1000000;
constexpr uint8_t NETFN_STORAGE = 0x0A;
constexpr uint8_t CMD_AREA_INFO = 0x10;
constexpr uint8_t CMD_READ_DATA = 0x11;
constexpr uint8_t CC_BUSY = 0x81;
constexpr uint8_t CC_REQUEST_LENGTH = 0xC7;
constexpr uint8_t CC_OUT_OF_RANGE = 0xC9;
constexpr uint8_t CC_NOT_PRESENT = 0xCB;

// The BMC reads SKU.BIN's directory with its own layout: three 32-byte
// entries from 0xA0, a NUL-padded name, then 24-bit offset and size.
constexpr size_t DIRECTORY = 0xA0;
constexpr size_t ENTRY_SIZE = 32;
constexpr char FRU_ENTRY[] = "NVRAM_FRU00.dat";

uint32_t get24(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16;
}

Bytes fruImageOf(const Bytes& skuImage) {
    for (size_t entry = 0; entry < 3; ++entry) {
        size_t at = DIRECTORY + entry * ENTRY_SIZE;
        if (skuImage.size() < at + ENTRY_SIZE ||
            std::memcmp(skuImage.data() + at, FRU_ENTRY, sizeof FRU_ENTRY) != 0)
            continue;
        size_t offset = get24(skuImage, at + 24);
        size_t size = get24(skuImage, at + 27);
        if (offset + size <= skuImage.size())
            return Bytes(skuImage.begin() + offset, skuImage.begin() + offset + size);
    }
    return {};
}

}  // namespace

void FruBmc::install(const FruBmcScript& given) {
    const FruBmcScript script = withAreaFaults(given);
    *this = FruBmc{};
    script_ = script;
    area_ = script.initialContent;
    area_.resize(script.areaSize, 0);
    busyLeft_ = script.busyAnswers;
    bmc().registerHandler(NETFN_STORAGE, CMD_AREA_INFO,
                          [this](const Bytes& r) { return answerAreaInfo(r); });
    bmc().registerHandler(NETFN_STORAGE, CMD_READ_DATA,
                          [this](const Bytes& r) { return answerRead(r); });
    if (script.busyAfterResetMicros > 0)
        bmc().registerHandler(NETFN_APP, CMD_GET_DEVICE_ID,
                              [this](const Bytes& r) { return answerDeviceId(r); });
    installWriteSide();
    smemBmc().setFileListener([this](const ReceivedFile& file) {
        if (file.name == "SKU.BIN")
            apply(file.bytes);
    });
    addTimeListener([this](uint64_t now) { onTime(now); });
}

Bytes FruBmc::answerAreaInfo(const Bytes& request) {
    if (script_.refusal != 0)
        return responseHeader(request, script_.refusal);
    if (request.size() != 3 || request[2] != 0)
        return responseHeader(request, CC_NOT_PRESENT);
    Bytes response = responseHeader(request, 0);
    response.push_back(static_cast<uint8_t>(script_.areaSize));
    response.push_back(static_cast<uint8_t>(script_.areaSize >> 8));
    response.push_back(script_.wordAccess ? 1 : 0);
    return response;
}

Bytes FruBmc::answerRead(const Bytes& request) {
    readRequests_++;
    if (script_.refusal != 0)
        return responseHeader(request, script_.refusal);
    if (request.size() != 6 || request[2] != 0)
        return responseHeader(request, request.size() != 6 ? CC_REQUEST_LENGTH : CC_NOT_PRESENT);
    if (busyLeft_ > 0) {
        busyLeft_--;
        return responseHeader(request, CC_BUSY);
    }
    if (request[5] > script_.largestCount)
        return responseHeader(request, script_.countRefusal);
    size_t unit = script_.wordAccess ? 2 : 1;
    size_t offset = (request[3] | request[4] << 8) * unit;
    if (offset >= area_.size())
        return responseHeader(request, CC_OUT_OF_RANGE);
    // Like many BMCs, fewer bytes than asked at the end of the area.
    size_t count = std::min<size_t>(request[5] * unit, area_.size() - offset);
    if (script_.largestAnswer != FRU_BMC_ANSWERS_AS_ASKED)
        count = std::min<size_t>(count, script_.largestAnswer * unit);
    Bytes response = responseHeader(request, 0);
    response.push_back(static_cast<uint8_t>(count / unit));
    response.insert(response.end(), area_.begin() + offset, area_.begin() + offset + count);
    return response;
}

// The board's own answer, with "device available" showing an update in
// progress while the BMC is busy after its reset.
Bytes FruBmc::answerDeviceId(const Bytes& request) {
    Bytes response = deviceIdResponse(request);
    bool busy = reset_ && !down_ && nowMicros() < backAt_ + script_.busyAfterResetMicros;
    if (busy && response.size() > FIRMWARE_REVISION_1)
        response[FIRMWARE_REVISION_1] |= DEVICE_BUSY;
    return response;
}

// Applying the image resets the BMC: its KCS interface is gone until it is back.
void FruBmc::apply(const Bytes& skuImage) {
    Bytes image = fruImageOf(skuImage);
    if (script_.otherBoardSerial)
        image = withOtherBoardSerial(image);
    if (script_.alterApplied)
        script_.alterApplied(image);
    image.resize(std::min<size_t>(image.size(), script_.areaSize));
    applied_.assign(area_.size(), 0);
    std::copy(image.begin(), image.end(), applied_.begin());
    lateSwapPending_ = script_.lateAfterResetMicros > 0;
    if (!lateSwapPending_)
        area_ = applied_;
    goDown();
}

void FruBmc::goDown() {
    down_ = true;
    reset_ = true;
    attachPortDevice(nullptr);
    backAt_ = script_.resetMicros == FRU_BMC_NEVER_BACK ? FRU_BMC_NEVER_BACK
                                                        : nowMicros() + script_.resetMicros;
}

void FruBmc::onTime(uint64_t now) {
    if (lateSwapPending_ && !down_ && now >= backAt_ + script_.lateAfterResetMicros) {
        lateSwapPending_ = false;
        area_ = applied_;
    }
    if (down_ && now >= backAt_) {
        down_ = false;
        if (script_.hangsAfterReset) {
            KcsFaults hung;
            hung.ibfBusyReads = KCS_IBF_NEVER_CLEARS;
            kcsBmc().script(hung);
        }
        attachPortDevice(&kcsBmc());
    }
}

FruBmc& fruBmc() {
    static FruBmc instance;
    return instance;
}

FruBmc& installFruBmc(const FruBmcScript& script) {
    fruBmc().install(script);
    return fruBmc();
}

namespace {

// A board keeps its FRU from one run to the next: with SIM_BMC_RECEIVED_DIR,
// FRU device 0 starts with the image of the last SKU.BIN received there.
Bytes fruKeptFromEarlierRun() {
    const char* dir = std::getenv("SIM_BMC_RECEIVED_DIR");
    if (dir == nullptr)
        return {};
    std::ifstream in(std::string(dir) + "/SKU.BIN", std::ios::binary);
    return fruImageOf(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

}  // namespace

FruBmcScript defaultFruBmcScript() {
    const SimFaults& faults = simFaults();
    FruBmcScript script;
    script.initialContent = fruKeptFromEarlierRun();
    script.busyAfterResetMicros = uint64_t{faults.bmcBusySeconds.value_or(0)} * MICROS_PER_SECOND;
    script.lateAfterResetMicros = uint64_t{faults.bmcLateSeconds.value_or(0)} * MICROS_PER_SECOND;
    script.otherBoardSerial = faults.fruOtherSerial;
    return script;
}

void installDefaultFruBmc() {
    installFruBmc(defaultFruBmcScript());
}

}  // namespace sim
