// The two operations a channel can carry, and the steps they share.
#include "pelgrin/channel/smem_transfers.h"

#include <inttypes.h>
#include <stdio.h>
#include <sys/stat.h>

#include "pelgrin/channel/oem_requests.h"
#include "pelgrin/channel/smem_layout.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"
#include "platform/platform.h"

namespace {

constexpr int RESET_SECONDS = 90;
constexpr uint64_t ONE_SECOND_US = 1000000;
constexpr uint32_t UPDATE_MAX_SIZE = 0x1900000;  // 25 MB
constexpr uint8_t STATUS_STARTED = 6;
constexpr uint8_t STATUS_COMPLETE = 100;
constexpr int PROGRESS_ROUNDS = 32;
constexpr uint64_t PROGRESS_PAUSE_US = 8000000;
constexpr uint32_t MARKS_PER_LINE = 32;
constexpr uint32_t FILE_COMPARE_BLOCK = 512;

// The name cut to 16 bytes, zero-padded, written as four words.
void writeFileName(uint64_t control, const char* fileName) {
    uint8_t name[UPDATE_FILE_NAME_SIZE] = {};
    for (uint32_t i = 0; i < UPDATE_FILE_NAME_SIZE && fileName[i] != '\0'; ++i)
        name[i] = static_cast<uint8_t>(fileName[i]);
    for (uint32_t word = 0; word < UPDATE_FILE_NAME_SIZE / 4; ++word) {
        const uint8_t* bytes = name + 4 * word;
        uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 |
                         static_cast<uint32_t>(bytes[3]) << 24;
        platformPhysWrite32(control + UPDATE_FILE_NAME + 4 * word, value);
    }
}

void fillUpdateRecord(uint64_t control, const char* fileName, uint32_t size) {
    writeFileName(control, fileName);
    platformPhysWrite32(control + UPDATE_IMAGE_SIZE, size);
    platformPhysWrite32(control + UPDATE_ACTION, UPDATE_ACTION_CHUNK);
    platformPhysWrite32(control + UPDATE_CHUNK_SIZE, SMEM_WINDOW_SIZE);
    platformPhysWrite32(control + UPDATE_MARKER, UPDATE_MARKER_VALUE);
}

void printMark(uint32_t chunks) {
    putc('#', stdout);
    fflush(stdout);
    if (chunks % MARKS_PER_LINE == 0)
        printf("\n ");
}

// While the offset is not above the size: a size that is a multiple of 64 KB
// gets one more, all-zero chunk at the offset equal to the size.
void uploadChunks(SmemChannel* channel, uint64_t control, FILE* file) {
    uint32_t offset = 0;
    uint32_t chunks = 0;
    while (offset <= platformPhysRead32(control + UPDATE_IMAGE_SIZE)) {
        if (fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
            break;
        if (!readChunk(channel, file))
            break;
        platformPhysWrite32(control + UPDATE_CHUNK_OFFSET, offset);
        printMark(++chunks);
        ringDoorbell(control + UPDATE_COMMAND_WORD);
        uint32_t step = platformPhysRead32(control + UPDATE_CHUNK_SIZE);
        // A step read back as 0, or one past 4 GB, would never end the loop.
        if (step == 0 || offset + step < offset)
            break;
        offset += step;
    }
}

bool startOnce(uint64_t control) {
    platformPhysWrite32(control + UPDATE_ACTION, UPDATE_ACTION_START);
    ringDoorbell(control + UPDATE_COMMAND_WORD);
    return waitForUpdateStatus(STATUS_STARTED) == UPDATE_STATUS_SEEN;
}

// The last status read; STATUS_COMPLETE when the BMC reported completion.
uint8_t followProgress(uint64_t control) {
    uint8_t status = 0;
    for (int round = 0; round < PROGRESS_ROUNDS; ++round) {
        platformPhysWrite32(control + UPDATE_ACTION, UPDATE_ACTION_PROGRESS);
        ringDoorbell(control + UPDATE_COMMAND_WORD);
        platformStall(PROGRESS_PAUSE_US);
        readUpdateStatus(&status);
        printf("%02d %% \b\b\b\b\b", static_cast<int8_t>(status));
        fflush(stdout);
        if (status == STATUS_COMPLETE) {
            puts("\nHALVOR : Update Completed!");
            break;
        }
    }
    return status;
}

void resetBmc(uint64_t control) {
    printf("HALVOR : Reset BMC ! Wait 90 seconds: ");
    platformPhysWrite32(control + UPDATE_ACTION, UPDATE_ACTION_RESET);
    ringDoorbell(control + UPDATE_COMMAND_WORD);
    waitForBmcReset();
    printf("\nHALVOR : Get Firmware Version %s\n", readFirmwareVersion());
}

int32_t runUpdate(SmemChannel* channel, uint64_t control, FILE* file, const char* fileName) {
    printf("\nHALVOR : Get Current Firmware Version %s\n", readFirmwareVersion());
    printf("HALVOR : Upload %.16s to BMC\n ", fileName);
    uploadChunks(channel, control, file);
    printf("\nHALVOR : Start to Update BMC ");
    if (!startOnce(control) && !startOnce(control)) {
        puts("\nHALVOR : Timeout!");
        return UPDATE_NOT_STARTED;
    }
    puts("OK");
    printf("HALVOR : Checking Update Status ");
    uint8_t status = followProgress(control);
    if (status != STATUS_COMPLETE) {
        printf("HALVOR : Timeout! Update Exit with abnormal status (%d).\n",
               static_cast<int8_t>(status));
        return UPDATE_NOT_COMPLETED;
    }
    resetBmc(control);
    return UPDATE_DONE;
}

void printWindowUnmapped(uint64_t address) {
    printf("Error! The BMC window's data area at 0x%" PRIx64 " cannot be reached\n", address);
}

// The file whole, from its start, in the data window; RUN_OK with the control
// area selected again. A short read is a file that changed or cannot be
// read, not a smaller image.
int32_t fileIntoWindow(SmemChannel* channel, FILE* file, const char* fileName, uint32_t size) {
    BmcWindow* window = channel->window;
    if (!window->selectBase(window, smemDataBase, &channel->windowPointer))
        return RUN_WINDOW_UNTRUSTED;
    platformPhysZero(channel->windowPointer, SMEM_WINDOW_SIZE);
    void* dataArea = platformPhysPointer(channel->windowPointer, SMEM_WINDOW_SIZE);
    if (dataArea == nullptr) {
        printWindowUnmapped(channel->windowPointer);
        return RUN_WINDOW_UNTRUSTED;
    }
    size_t read = fread(dataArea, 1, size, file);
    if (read != size) {
        printf("Error! %s: read %u of its %u bytes\n", fileName, static_cast<unsigned>(read), size);
        return RUN_UPLOAD_UNREADABLE;
    }
    return RUN_OK;
}

// The window read back byte by byte against the file read again: the first
// offset where they differ, or `size` when none does.
uint32_t firstDifference(uint64_t window, FILE* file, uint32_t size) {
    uint8_t block[FILE_COMPARE_BLOCK];
    uint32_t offset = 0;
    while (offset < size) {
        uint32_t want = size - offset < FILE_COMPARE_BLOCK ? size - offset : FILE_COMPARE_BLOCK;
        size_t got = fread(block, 1, want, file);
        for (uint32_t i = 0; i < got; ++i) {
            if (platformPhysRead8(window + offset + i) != block[i])
                return offset + i;
        }
        if (got != want)
            return offset + static_cast<uint32_t>(got);
        offset += want;
    }
    return size;
}

// The doorbell tells the BMC to take what the window holds: it is rung only
// once the window is known to hold the file.
int32_t placeFile(SmemChannel* channel, FILE* file, const char* fileName, uint32_t size) {
    if (fseek(file, 0, SEEK_SET) != 0)
        return RUN_UPLOAD_UNREADABLE;
    int32_t status = fileIntoWindow(channel, file, fileName, size);
    if (status != RUN_OK)
        return status;
    if (fseek(file, 0, SEEK_SET) != 0)
        return RUN_UPLOAD_UNREADABLE;
    uint32_t differs = firstDifference(channel->windowPointer, file, size);
    if (differs != size) {
        printf("Error! The BMC window does not hold %s: it differs from offset 0x%X\n", fileName,
               differs);
        return RUN_WINDOW_UNTRUSTED;
    }
    BmcWindow* window = channel->window;
    return window->selectBase(window, smemBase, &channel->windowPointer) ? RUN_OK
                                                                         : RUN_WINDOW_UNTRUSTED;
}

}  // namespace

bool readChunk(SmemChannel* channel, FILE* file) {
    BmcWindow* window = channel->window;
    if (!window->selectBase(window, smemDataBase, &channel->windowPointer))
        return false;
    platformPhysZero(channel->windowPointer, SMEM_WINDOW_SIZE);
    // The file read lands in BMC memory itself; a short read at the end of the
    // file leaves the cleared zeros behind it.
    void* dataArea = platformPhysPointer(channel->windowPointer, SMEM_WINDOW_SIZE);
    if (dataArea == nullptr) {
        printWindowUnmapped(channel->windowPointer);
        return false;
    }
    fread(dataArea, 1, SMEM_WINDOW_SIZE, file);
    return window->selectBase(window, smemBase, &channel->windowPointer);
}

void waitForBmcReset() {
    for (int second = 1; second <= RESET_SECONDS; ++second) {
        printf("%02d\b\b", second);
        fflush(stdout);
        platformStall(ONE_SECOND_US);
    }
}

int32_t uploadFile(SmemChannel* channel, const char* fileName) {
    const uint64_t control = channel->windowPointer;
    struct stat info;
    if (stat(fileName, &info) != 0) {
        puts("No Such File!");
        return RUN_UPLOAD_NO_FILE;
    }
    if (info.st_size > SKU_IMAGE_MAX) {
        puts("File Size is too large ( > 32K Bytes ) !");
        return RUN_UPLOAD_TOO_LARGE;
    }
    const uint32_t size = static_cast<uint32_t>(info.st_size);
    platformPhysWrite32(control + UPLOAD_FILE_SIZE, size);
    platformPhysWrite32(control + UPLOAD_RESERVED, 0);
    platformPhysWrite32(control + UPLOAD_FILE_SIZE_AGAIN, size);
    FILE* file = fopen(fileName, "rb");
    if (file == nullptr)
        return RUN_UPLOAD_UNREADABLE;
    int32_t placed = placeFile(channel, file, fileName, size);
    fclose(file);
    if (placed != RUN_OK)
        return placed;
    int32_t doorbell = ringDoorbell(control + UPLOAD_COMMAND_WORD);
    if (doorbell != RUN_OK)
        return doorbell;
    printf("PELGRIN : Reset BMC ! Wait 90 seconds: ");
    waitForBmcReset();
    puts("\nDone");
    return RUN_OK;
}

int32_t updateFirmware(SmemChannel* channel, const char* fileName) {
    const uint64_t control = channel->windowPointer;
    struct stat info;
    if (stat(fileName, &info) != 0) {
        puts("No Such File!");
        return UPDATE_NO_FILE;
    }
    if (info.st_size > UPDATE_MAX_SIZE) {
        puts("File Size is too large ( > 25M Bytes ) !");
        return UPDATE_TOO_LARGE;
    }
    fillUpdateRecord(control, fileName, static_cast<uint32_t>(info.st_size));
    FILE* file = fopen(fileName, "rb");
    if (file == nullptr)
        return UPDATE_UNREADABLE;
    int32_t result = runUpdate(channel, control, file, fileName);
    fclose(file);
    return result;
}
