#include "pelgrin/channel/smem_chunk.h"

#include "pelgrin/channel/smem_layout.h"
#include "platform/platform.h"

namespace {
constexpr int RESET_SECONDS = 90;
constexpr uint64_t ONE_SECOND_US = 1000000;
}  // namespace

void readChunk(SmemChannel* channel, FILE* file) {
    BmcWindow* window = channel->window;
    window->selectBase(window, smemDataBase, &channel->windowPointer);
    platformPhysZero(channel->windowPointer, SMEM_WINDOW_SIZE);
    // The file read lands in BMC memory itself; a short read at the end of the
    // file leaves the cleared zeros behind it.
    void* dataArea = platformPhysPointer(channel->windowPointer, SMEM_WINDOW_SIZE);
    if (dataArea != nullptr)
        fread(dataArea, SMEM_WINDOW_SIZE, 1, file);
    window->selectBase(window, smemBase, &channel->windowPointer);
}

void waitForBmcReset() {
    for (int second = 1; second <= RESET_SECONDS; ++second) {
        printf("%02d\b\b", second);
        fflush(stdout);
        platformStall(ONE_SECOND_US);
    }
}
