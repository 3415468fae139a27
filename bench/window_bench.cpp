// Host CPU time to push a 25 MB firmware image through the BMC's 64 KB window
// on the simulated board, next to a plain memcpy of the same bytes. Nothing
// sleeps on the simulated board, so the BMC's waits (doorbells, progress,
// the 90-second reset) cost no time here; what remains is the tool's work.
//
//   memcpy25MB          the floor: one copy of the image in memory
//   windowChunks25MB    the tool's part of the upload alone: for each chunk a
//                       seek, the cleared data area and the file read into it
//   firmwareUpdate25MB  the whole operation over the KCS transport, with the
//                       simulated BMC keeping a copy of every chunk it takes
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_workdir.h"
#include "kcs/kcs.h"
#include "pelgrin/channel/smem_channel.h"
#include "pelgrin/channel/smem_transfers.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace {

constexpr size_t IMAGE_SIZE = 26214400;  // 25 MB, the largest update taken
constexpr size_t CHUNK = 65536;
const char IMAGE_NAME[] = "fw25.bin";

std::vector<char> imageBytes() {
    std::vector<char> image(IMAGE_SIZE);
    for (size_t i = 0; i < IMAGE_SIZE; ++i)
        image[i] = static_cast<char>(i % 251);
    return image;
}

// The image as a file in a scratch directory (the page cache holds it after
// the first pass, as a shell's file system buffers would).
class ImageFile {
  public:
    ImageFile() {
        std::vector<char> image = imageBytes();
        std::FILE* out = std::fopen(IMAGE_NAME, "wb");
        if (out == nullptr || std::fwrite(image.data(), 1, IMAGE_SIZE, out) != IMAGE_SIZE)
            std::abort();
        std::fclose(out);
    }
    ~ImageFile() { std::remove(IMAGE_NAME); }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
};

SmemChannel* openUpdateChannel() {
    sim::resetBoard();
    sim::installDefaultBoard();
    int32_t failure = 0;
    return openSmemChannel(SMEM_OP_FIRMWARE_UPDATE, &failure);
}

void memcpy25MB(benchmark::State& state) {
    std::vector<char> image = imageBytes();
    std::vector<char> target(IMAGE_SIZE);
    for (auto _ : state) {
        std::memcpy(target.data(), image.data(), IMAGE_SIZE);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * IMAGE_SIZE));
}
BENCHMARK(memcpy25MB)->Unit(benchmark::kMillisecond);

void windowChunks25MB(benchmark::State& state) {
    bench::WorkDir dir;
    ImageFile file;
    bench::QuietStdout quiet;
    SmemChannel* channel = openUpdateChannel();
    std::FILE* image = std::fopen(IMAGE_NAME, "rb");
    if (channel == nullptr || image == nullptr) {
        state.SkipWithError("no channel or no image");
        return;
    }
    for (auto _ : state) {
        for (size_t offset = 0; offset < IMAGE_SIZE; offset += CHUNK) {
            std::fseek(image, static_cast<long>(offset), SEEK_SET);
            readChunk(channel, image);
        }
    }
    std::fclose(image);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * IMAGE_SIZE));
}
BENCHMARK(windowChunks25MB)->Unit(benchmark::kMillisecond);

void firmwareUpdate25MB(benchmark::State& state) {
    bench::WorkDir dir;
    ImageFile file;
    bench::QuietStdout quiet;
    for (auto _ : state) {
        state.PauseTiming();
        SmemChannel* channel = openUpdateChannel();
        state.ResumeTiming();
        if (channel == nullptr || channel->operation(channel, IMAGE_NAME) != 0) {
            state.SkipWithError("firmware update failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * IMAGE_SIZE));
}
BENCHMARK(firmwareUpdate25MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
