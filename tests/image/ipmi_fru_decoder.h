// Runs ipmi-fru (FreeIPMI) on FRU bytes and collects its "FRU name: value"
// lines: an independent decoder to hold our images against.
#pragma once

#include <stdio.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace imageTest {

typedef std::map<std::string, std::string> Decoded;

struct DecoderRun {
    Decoded fields;  // "FRU Board Manufacturer" -> "Maker"
    std::vector<std::string> errors;
    bool ran;
};

inline std::string decoderPath() {
    return access("/usr/sbin/ipmi-fru", X_OK) == 0 ? "/usr/sbin/ipmi-fru" : "ipmi-fru";
}

inline void takeLine(const std::string& line, DecoderRun* run) {
    size_t start = line.find("FRU ");
    size_t colon = line.find(": ");
    if (start == std::string::npos || colon == std::string::npos)
        return;
    std::string name = line.substr(start, colon - start);
    std::string value = line.substr(colon + 2);
    if (!value.empty() && value.back() == '\n')
        value.pop_back();
    if (name == "FRU Inventory From File")
        return;
    if (name == "FRU Error")
        run->errors.push_back(value);
    else
        run->fields[name] = value;
}

inline DecoderRun decode(const std::vector<uint8_t>& image) {
    testsupport::ScratchDir scratch;
    testsupport::writeFile("image.fru", std::string(image.begin(), image.end()));
    std::string command =
        "TZ=UTC " + decoderPath() + " --fru-file=" + scratch.path() + "/image.fru 2>&1";
    DecoderRun run{};
    FILE* output = popen(command.c_str(), "r");
    if (output == nullptr)
        return run;
    char line[512];
    while (fgets(line, sizeof(line), output) != nullptr)
        takeLine(line, &run);
    run.ran = pclose(output) == 0;
    return run;
}

}  // namespace imageTest
