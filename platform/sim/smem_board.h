// The BMC's shared-memory side of the simulated board: its memory, the window
// its display function opens on the PCI bus, and the OEM requests that drive
// them (address answer, doorbell, update status). The BMC keeps every file it
// received so that tests compare it with what the tool sent.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/bmc_enterprise_number.h"
#include "platform/sim/bmc_messages.h"
#include "platform/sim/sim_board.h"
#include "platform/sim/smem_memory.h"
#include "platform/sim/smem_window.h"

namespace sim {

constexpr uint64_t SMEM_NEVER = UINT64_MAX;

// The BMC's own layout, written down independently of the tool's so that a
// wrong offset on either side shows up as a test failure.
constexpr uint32_t BMC_DATA_AREA = 0xC0000;
constexpr uint32_t BMC_UPDATE_RECORD = 0x700;
constexpr uint32_t BMC_UPLOAD_RECORD = 0x2200;

struct SmemScript {
    SmemScript();

    // The address answer.
    uint32_t sharedMemoryAddress = 0x9E000000;
    uint8_t addressCompletionCode = 0x00;
    size_t addressResponseLength = 10;  // bytes actually sent, cut from 10
    // The BMC answers OEM requests for this enterprise number only (least
    // significant byte first); others get completion code 0xCC. By default
    // the one the build is configured for, as on the board.
    std::array<uint8_t, 3> enterpriseNumber = {BMC_ENTERPRISE_NUMBER[0], BMC_ENTERPRISE_NUMBER[1],
                                               BMC_ENTERPRISE_NUMBER[2]};
    // Where the display function's window decodes on the host bus.
    uint64_t windowBase = 0xF8000000;
    WindowFaults windowFaults;
    // Completion code of the doorbell answer; a BMC that answers anything
    // but 0 has not taken the command.
    uint8_t doorbellCompletionCode = 0x00;
    // The window stops answering when the doorbell request arrives (the BMC
    // dropped its side of the bus): the command word then reads all ones.
    bool windowGoneAtDoorbell = false;
    // Virtual time from the doorbell request until the BMC takes the command;
    // SMEM_NEVER: it never does.
    uint64_t doorbellDelayMicros = 30000;
    // Update status answered to successive status requests after the first
    // start (the last one repeats), and the status each taken progress
    // doorbell leaves (the last one repeats).
    // Defaults: started at once; 35, 70, 100.
    std::vector<uint8_t> startStatuses;
    std::vector<uint8_t> progressStatuses;
    // The BMC writes this into chunkSize when it takes a chunk (a firmware
    // that reports its own step); unset, it leaves the word alone.
    bool rewritesChunkSize = false;
    uint32_t chunkSizeWritten = 0;
    // Get Device ID firmware revisions 1 and 2, before and after a reset.
    // Off by default: the KCS BMC answers Get Device ID on the default board.
    bool answersDeviceId = false;
    std::array<uint8_t, 2> versionBeforeReset = {0x01, 0x23};
    std::array<uint8_t, 2> versionAfterReset = {0x01, 0x24};
};

struct ReceivedFile {
    std::string name;
    Bytes bytes;
};

struct ReceivedChunk {
    uint32_t offset;
    Bytes bytes;  // all 64 KB of the data area as the BMC read it
};

class SmemBmc {
  public:
    using FileListener = std::function<void(const ReceivedFile&)>;

    // Memory refilled, window reset, handlers registered on sim::bmc(), a
    // time listener added. Leaves the PCI bus alone.
    void install(const SmemScript& script);

    BmcMemory& memory() { return memory_; }
    BmcWindowDevice& window() { return window_; }
    const std::vector<ReceivedFile>& receivedFiles() const { return files_; }
    const std::vector<ReceivedChunk>& chunks() const { return chunks_; }
    // The update actions the BMC took, in order (1 chunk, 2 start, ...).
    const std::vector<uint32_t>& actionsTaken() const { return actions_; }
    uint64_t doorbellsRung() const { return doorbellsRung_; }
    uint64_t statusRequests() const { return statusRequests_; }
    uint64_t resets() const { return resets_; }
    // Told of every file the BMC takes, after it was kept; install() drops it.
    void setFileListener(FileListener listener) { fileListener_ = std::move(listener); }

  private:
    enum class UpdatePhase { Idle, Starting, Running };

    Bytes answerAddress(const Bytes& request);
    Bytes answerDoorbell(const Bytes& request);
    Bytes answerStatus(const Bytes& request);
    Bytes answerDeviceId(const Bytes& request);
    bool forUs(const Bytes& request, uint8_t parameter) const;
    Bytes oemHeader(const Bytes& request) const;
    void onTime(uint64_t now);
    void takeDoorbell();
    void takeUpload();
    void takeUpdateAction();
    void takeChunk();
    void finishImage();
    void receive(ReceivedFile file);
    uint8_t currentStatus();

    SmemScript script_;
    BmcMemory memory_;
    BmcWindowDevice window_;
    bool doorbellPending_ = false;
    uint64_t doorbellDue_ = 0;
    uint64_t doorbellsRung_ = 0;
    uint64_t statusRequests_ = 0;
    uint64_t resets_ = 0;
    UpdatePhase phase_ = UpdatePhase::Idle;
    size_t startAnswers_ = 0;
    size_t progressTaken_ = 0;
    Bytes image_;
    std::vector<ReceivedFile> files_;
    std::vector<ReceivedChunk> chunks_;
    std::vector<uint32_t> actions_;
    FileListener fileListener_;
};

// The board's one shared-memory BMC.
SmemBmc& smemBmc();

// Installs smemBmc() with `script` and attaches its window. The PCI bus is
// set separately (setPciFunctions).
SmemBmc& installSmemBmc(const SmemScript& script);

// A PCI function's configuration header: identifiers, class code, command
// register and the window register at 0x14.
PciFunction pciFunction(uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subClass,
                        uint8_t progIf, uint16_t command, uint32_t windowRegister);

// A host bridge, a storage controller decoding I/O at 0x14, the BMC's display
// function with `windowRegister`, and a network controller.
std::vector<PciFunction> defaultPciBus(uint32_t windowRegister);

// An add-in graphics card behind a bridge (bus 0x17): a display function of
// another vendor whose 256 MiB BAR 0x14 would hold the window as well.
PciFunction addInGraphicsCard();

// Where bar64 puts the window: above 4 GiB, so that cutting its base to 32
// bits lands on memory that is not the window.
constexpr uint64_t WINDOW_ABOVE_4G = 0x1F8000000ull;

}  // namespace sim
