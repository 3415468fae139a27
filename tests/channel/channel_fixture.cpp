#include "tests/channel/channel_fixture.h"

#include <cstdio>
#include <fstream>

namespace channeltest {

sim::SmemBmc& ChannelTest::useScript(const sim::SmemScript& script) {
    sim::resetBoard();
    sim::SmemBmc& installed = sim::installSmemBmc(script);
    sim::setPciFunctions(sim::defaultPciBus(static_cast<uint32_t>(script.windowBase) | 0x8));
    return installed;
}

uint32_t ChannelTest::controlWord(uint32_t offset) {
    return bmc().memory().word(uint64_t{bmc().memory().base()} + offset);
}

std::string patternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(1 + i % 251);
    return bytes;
}

void writePatternFile(const std::string& name, size_t size) {
    testsupport::writeFile(name, patternBytes(size));
}

std::string resetCount() {
    std::string count;
    char number[8];
    for (int second = 1; second <= 90; ++second) {
        snprintf(number, sizeof number, "%02d\b\b", second);
        count += number;
    }
    return count;
}

}  // namespace channeltest
