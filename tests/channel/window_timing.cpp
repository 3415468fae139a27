// Host CPU time to push a 25 MB image through the simulated window, next to a
// plain memcpy of the same bytes. Not a test: run it by hand,
//   channel_window_timing [directory for the 25 MB scratch file]
// The tool's console goes to /dev/null; the times go to standard error.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/channel/smem_transfers.h"
#include "platform/sim/smem_board.h"

namespace {

constexpr size_t IMAGE_SIZE = 26214400;
constexpr size_t CHUNK = 65536;

double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

template <typename Body>
double timed(Body body) {
    double start = cpuSeconds();
    body();
    return cpuSeconds() - start;
}

SmemChannel* openQuietly(uint8_t kind) {
    sim::resetBoard();
    sim::SmemScript script;
    script.answersDeviceId = true;
    sim::installSmemBmc(script);
    sim::setPciFunctions(sim::defaultPciBus(0xF8000008));
    std::FILE* console = std::freopen("/dev/null", "w", stdout);
    int32_t failure = 0;
    SmemChannel* channel = console ? openSmemChannel(kind, &failure) : nullptr;
    return channel;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = std::string(argc > 1 ? argv[1] : "/tmp") + "/window_timing.bin";
    std::vector<char> image(IMAGE_SIZE);
    for (size_t i = 0; i < IMAGE_SIZE; ++i)
        image[i] = static_cast<char>(i % 251);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(image.data(), 1, IMAGE_SIZE, out) != IMAGE_SIZE)
        return 1;
    std::fclose(out);

    std::vector<char> target(IMAGE_SIZE);
    double copy = timed([&] { std::memcpy(target.data(), image.data(), IMAGE_SIZE); });

    SmemChannel* channel = openQuietly(SMEM_OP_FIRMWARE_UPDATE);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    double window = timed([&] {
        for (size_t offset = 0; offset < IMAGE_SIZE; offset += CHUNK) {
            std::fseek(file, static_cast<long>(offset), SEEK_SET);
            readChunk(channel, file);
        }
    });
    std::fclose(file);

    channel = openQuietly(SMEM_OP_FIRMWARE_UPDATE);
    double update = timed([&] { channel->operation(channel, path.c_str()); });
    std::remove(path.c_str());

    std::fprintf(stderr, "memcpy of 25 MB:                          %.3f s CPU\n", copy);
    std::fprintf(stderr, "400 chunks through the window (read+zero): %.3f s CPU\n", window);
    std::fprintf(stderr, "whole firmware update, BMC taking chunks: %.3f s CPU\n", update);
    return 0;
}
