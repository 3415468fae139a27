// dorvax on fuzzed argument words, against the simulated KCS BMC: no crash,
// no read past a word, every run ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dorvax/dorvax.h"
#include "kcs/kcs.h"
#include "platform/sim/kcs_bmc.h"
#include "platform/sim/sim_board.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    sim::installDefaultKcsBmc();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Words are separated by NUL bytes, so that any byte may stand in a word.
    std::vector<std::string> words{"dorvax"};
    std::string word;
    for (size_t i = 0; i < size && words.size() < 200; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    if (!word.empty())
        words.push_back(word);

    // Each word in a block of its own, so that ASan sees a read past its end.
    std::vector<std::unique_ptr<char[]>> blocks;
    std::vector<char*> argv;
    for (const std::string& w : words) {
        blocks.emplace_back(new char[w.size() + 1]);
        std::copy(w.c_str(), w.c_str() + w.size() + 1, blocks.back().get());
        argv.push_back(blocks.back().get());
    }
    argv.push_back(nullptr);

    kcsPolicy = DORVAX_KCS_POLICY;
    sim::kcsBmc().reset();
    int status = dorvaxMain(static_cast<int>(words.size()), argv.data());
    if (status != 0 && status != -1)
        abort();
    return 0;
}
