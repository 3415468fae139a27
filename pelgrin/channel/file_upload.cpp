#include <stdio.h>
#include <sys/stat.h>

#include "pelgrin/channel/bmc_requests.h"
#include "pelgrin/channel/smem_chunk.h"
#include "pelgrin/channel/smem_layout.h"
#include "pelgrin/channel/smem_transfers.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t UPLOAD_MAX_SIZE = 0x8000;
}  // namespace

int32_t uploadFile(SmemChannel* channel, const char* fileName) {
    const uint64_t control = channel->windowPointer;
    struct stat info;
    if (stat(fileName, &info) != 0) {
        puts("No Such File!");
        return -1;
    }
    if (info.st_size > UPLOAD_MAX_SIZE) {
        puts("File Size is too large ( > 32K Bytes ) !");
        return -2;
    }
    const uint32_t size = static_cast<uint32_t>(info.st_size);
    platformPhysWrite32(control + UPLOAD_FILE_SIZE, size);
    platformPhysWrite32(control + UPLOAD_RESERVED, 0);
    platformPhysWrite32(control + UPLOAD_FILE_SIZE_AGAIN, size);
    FILE* file = fopen(fileName, "rb");
    if (file == nullptr)
        return -3;
    if (fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return -3;
    }
    readChunk(channel, file);
    fclose(file);
    int32_t doorbell = ringDoorbell(control + UPLOAD_COMMAND_WORD);
    if (doorbell != 0)
        return doorbell;
    printf("PELGRIN : Reset BMC ! Wait 90 seconds: ");
    waitForBmcReset();
    puts("\nDone");
    return 0;
}
