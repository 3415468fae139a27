// A whole DSBSHM run on fuzzed input. The first line holds the operator's
// words (separated by blanks), the rest is SKU.xml. Whenever the run succeeds,
// the SKU.BIN it wrote must check out; nothing may crash or leak either way.
// Scanner prompts read an empty input; a record goes to the scratch directory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/sku_image_check.h"
#include "kcs/kcs.h"
#include "pelgrin/frontend/pelgrin_main.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace {

// The record is written, but only into the scratch directory: a fuzzed
// LOG= path could name any file the fuzzer may append to.
std::string keptInScratch(const std::string& word) {
    return word.compare(0, 4, "LOG=") == 0 ? std::string("LOG=units.log") : word;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words{"pelgrin"};
    size_t start = 0;
    while (words.size() < 40 && start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos)
            end = line.size();
        if (end > start)
            words.push_back(keptInScratch(line.substr(start, end - start)));
        start = end + 1;
    }
    words.push_back("DSBSHM");
    return words;
}

// A help word ends the run with 0 before SKU.xml is read: no image to check.
// A help or version word ends the run with 0 and writes no image.
bool asksForHelp(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        for (const char* help : {"help", "-h", "--help", "-?", "/?", "--version"}) {
            if (strcmp(word.c_str(), help) == 0)  // the program sees up to a NUL
                return true;
        }
    }
    return false;
}

void writeWhole(const char* name, const uint8_t* data, size_t size) {
    FILE* file = fopen(name, "wb");
    if (file == nullptr)
        abort();
    if (size > 0 && fwrite(data, 1, size, file) != size)
        abort();
    fclose(file);
}

std::vector<uint8_t> readWhole(const char* name) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(name, "rb");
    if (file == nullptr)
        return bytes;
    uint8_t chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(file);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/sku-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0)
        abort();
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    // ASK= prompts meet the end of the input at once and stop the run.
    if (freopen("/dev/null", "r", stdin) == nullptr)
        abort();
    sim::setWallClock(1765000000);  // a fixed date keeps runs reproducible
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t lineEnd = input.find('\n');
    std::string line = lineEnd == std::string::npos ? input : input.substr(0, lineEnd);
    size_t xmlStart = lineEnd == std::string::npos ? size : lineEnd + 1;
    writeWhole("SKU.xml", data + xmlStart, size - xmlStart);

    std::vector<std::string> words = splitWords(line);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    // A refused run leaves every file alone: an image found after a 0 must be
    // this run's.
    unlink("SKU.BIN");
    int status = pelgrinMain(static_cast<int>(words.size()), argv.data());
    unlink("units.log");
    if (status == 0 && !asksForHelp(words)) {
        std::vector<uint8_t> image = readWhole("SKU.BIN");
        checkSkuImage(image.data(), image.size());
    }
    return 0;
}
