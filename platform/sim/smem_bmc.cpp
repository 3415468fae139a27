// The BMC firmware's side of the shared-memory channel.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/sim/smem_board.h"

namespace sim {

namespace {

constexpr uint8_t NETFN_APP = 0x06;
constexpr uint8_t NETFN_OEM_GROUP = 0x2E;
constexpr uint8_t CMD_GET_DEVICE_ID = 0x01;
constexpr uint8_t CMD_DOORBELL = 0x20;
constexpr uint8_t CMD_ADDRESS = 0x21;
constexpr uint8_t CMD_STATUS = 0x3F;
constexpr uint8_t CC_INVALID_DATA = 0xCC;
constexpr size_t BMC_MEMORY_SIZE = 0x100000;
constexpr uint32_t CHUNK_SIZE = 0x10000;
constexpr uint32_t DOORBELL_RUNG = 1;
constexpr uint32_t DOORBELL_TAKEN = 0;

// Offsets within the records.
constexpr uint32_t RECORD_COMMAND = 0x0;
constexpr uint32_t UPLOAD_SIZE = 0xC;
constexpr uint32_t UPDATE_IMAGE_SIZE = 0xC;
constexpr uint32_t UPDATE_NAME = 0x10;
constexpr uint32_t UPDATE_CHUNK_OFFSET = 0x24;
constexpr uint32_t UPDATE_CHUNK_SIZE = 0x28;
constexpr uint32_t UPDATE_ACTION = 0x2C;

uint8_t scripted(const std::vector<uint8_t>& values, size_t index) {
    if (values.empty())
        return 0;
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

void SmemBmc::install(const SmemScript& script) {
    *this = SmemBmc{};
    script_ = script;
    memory_.reset(script.sharedMemoryAddress, BMC_MEMORY_SIZE);
    window_.reset(script.windowBase, &memory_);
    window_.setFaults(script.windowFaults);
    bmc().registerHandler(NETFN_OEM_GROUP, CMD_ADDRESS,
                          [this](const Bytes& r) { return answerAddress(r); });
    bmc().registerHandler(NETFN_OEM_GROUP, CMD_DOORBELL,
                          [this](const Bytes& r) { return answerDoorbell(r); });
    bmc().registerHandler(NETFN_OEM_GROUP, CMD_STATUS,
                          [this](const Bytes& r) { return answerStatus(r); });
    if (script.answersDeviceId)
        bmc().registerHandler(NETFN_APP, CMD_GET_DEVICE_ID,
                              [this](const Bytes& r) { return answerDeviceId(r); });
    addTimeListener([this](uint64_t now) { onTime(now); });
}

bool SmemBmc::forUs(const Bytes& request, uint8_t parameter) const {
    return request.size() >= 6 &&
           std::equal(script_.enterpriseNumber.begin(), script_.enterpriseNumber.end(),
                      request.begin() + 2) &&
           request[5] == parameter;
}

Bytes SmemBmc::oemHeader(const Bytes& request) const {
    Bytes response = responseHeader(request, 0x00);
    response.insert(response.end(), request.begin() + 2, request.begin() + 5);
    return response;
}

Bytes SmemBmc::answerAddress(const Bytes& request) {
    if (!forUs(request, 0x0A))
        return responseHeader(request, CC_INVALID_DATA);
    Bytes response = oemHeader(request);
    response[2] = script_.addressCompletionCode;
    for (int i = 0; i < 4; ++i)
        response.push_back(static_cast<uint8_t>(script_.sharedMemoryAddress >> (8 * i)));
    response.resize(std::min(response.size(), script_.addressResponseLength));
    return response;
}

Bytes SmemBmc::answerDoorbell(const Bytes& request) {
    if (!forUs(request, 0x0C) || request.size() < 7 || request[6] != 0x00)
        return responseHeader(request, CC_INVALID_DATA);
    doorbellsRung_++;
    if (script_.windowGoneAtDoorbell)
        window_.setFaults(WindowFaults{true, false, 0xFFFFFFFFu});
    if (script_.doorbellCompletionCode != 0x00) {
        Bytes refused = oemHeader(request);
        refused[2] = script_.doorbellCompletionCode;
        return refused;
    }
    if (script_.doorbellDelayMicros == 0)
        takeDoorbell();
    else if (script_.doorbellDelayMicros != SMEM_NEVER && !doorbellPending_) {
        doorbellPending_ = true;
        doorbellDue_ = nowMicros() + script_.doorbellDelayMicros;
    }
    return oemHeader(request);
}

Bytes SmemBmc::answerStatus(const Bytes& request) {
    if (!forUs(request, 0x03))
        return responseHeader(request, CC_INVALID_DATA);
    statusRequests_++;
    Bytes response = oemHeader(request);
    response.push_back(currentStatus());
    return response;
}

uint8_t SmemBmc::currentStatus() {
    switch (phase_) {
        case UpdatePhase::Starting:
            return scripted(script_.startStatuses, startAnswers_++);
        case UpdatePhase::Running:
            return scripted(script_.progressStatuses, progressTaken_ - 1);
        default:
            return 0;
    }
}

Bytes SmemBmc::answerDeviceId(const Bytes& request) {
    const std::array<uint8_t, 2>& version =
        resets_ == 0 ? script_.versionBeforeReset : script_.versionAfterReset;
    Bytes response = responseHeader(request, 0x00);
    Bytes data = {0x20, 0x01, version[0], version[1], 0x02, 0xBF, 0, 0, 0, 0x01, 0x00};
    response.insert(response.end(), data.begin(), data.end());
    return response;
}

void SmemBmc::onTime(uint64_t now) {
    if (doorbellPending_ && now >= doorbellDue_) {
        doorbellPending_ = false;
        takeDoorbell();
    }
}

// The doorbell request does not say which record it is for: the BMC serves
// every record whose command word was set.
void SmemBmc::takeDoorbell() {
    uint64_t base = memory_.base();
    if (memory_.word(base + BMC_UPLOAD_RECORD + RECORD_COMMAND) == DOORBELL_RUNG) {
        takeUpload();
        memory_.setWord(base + BMC_UPLOAD_RECORD + RECORD_COMMAND, DOORBELL_TAKEN);
    }
    if (memory_.word(base + BMC_UPDATE_RECORD + RECORD_COMMAND) == DOORBELL_RUNG) {
        takeUpdateAction();
        memory_.setWord(base + BMC_UPDATE_RECORD + RECORD_COMMAND, DOORBELL_TAKEN);
    }
}

void SmemBmc::takeUpload() {
    uint64_t base = memory_.base();
    uint32_t size = std::min(memory_.word(base + BMC_UPLOAD_RECORD + UPLOAD_SIZE), CHUNK_SIZE);
    receive({"SKU.BIN", memory_.copy(base + BMC_DATA_AREA, size)});
}

void SmemBmc::takeUpdateAction() {
    uint32_t action = memory_.word(memory_.base() + BMC_UPDATE_RECORD + UPDATE_ACTION);
    actions_.push_back(action);
    switch (action) {
        case 1:
            takeChunk();
            break;
        case 2:
            if (phase_ == UpdatePhase::Idle)
                finishImage();
            phase_ = UpdatePhase::Starting;
            break;
        case 3:
            phase_ = UpdatePhase::Running;
            progressTaken_++;
            break;
        case 5:
            resets_++;
            break;
        default:
            break;
    }
}

void SmemBmc::takeChunk() {
    uint64_t base = memory_.base();
    uint32_t offset = memory_.word(base + BMC_UPDATE_RECORD + UPDATE_CHUNK_OFFSET);
    Bytes chunk = memory_.copy(base + BMC_DATA_AREA, CHUNK_SIZE);
    if (image_.size() < static_cast<size_t>(offset) + CHUNK_SIZE)
        image_.resize(static_cast<size_t>(offset) + CHUNK_SIZE);
    std::copy(chunk.begin(), chunk.end(), image_.begin() + offset);
    chunks_.push_back({offset, std::move(chunk)});
    if (script_.rewritesChunkSize)
        memory_.setWord(base + BMC_UPDATE_RECORD + UPDATE_CHUNK_SIZE, script_.chunkSizeWritten);
}

void SmemBmc::finishImage() {
    uint64_t record = memory_.base() + BMC_UPDATE_RECORD;
    Bytes name = memory_.copy(record + UPDATE_NAME, 16);
    std::string text(name.begin(), std::find(name.begin(), name.end(), 0));
    image_.resize(memory_.word(record + UPDATE_IMAGE_SIZE));
    receive({text, std::move(image_)});
    image_.clear();
}

// SIM_BMC_RECEIVED_DIR lets a demo run show, outside the process, what the
// BMC received.
void SmemBmc::receive(ReceivedFile file) {
    if (const char* dir = std::getenv("SIM_BMC_RECEIVED_DIR")) {
        std::ofstream out(std::string(dir) + "/" + file.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
    }
    files_.push_back(std::move(file));
    if (fileListener_)
        fileListener_(files_.back());
}

}  // namespace sim
