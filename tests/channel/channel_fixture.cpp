#include "tests/channel/channel_fixture.h"

#include <cstdio>
#include <fstream>

#include "tests/support/enterprise_number.h"

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

namespace {

std::string addressLines(const std::array<uint8_t, 3>& enterprise) {
    char lines[96];
    snprintf(lines, sizeof lines,
             "CmdResp = bc, 21, 0, %x\nCmdResp = %x, %x, 0, 0\nCmdResp = 0, 9e, 0, 0\n",
             enterprise[0], enterprise[1], enterprise[2]);
    return lines;
}

}  // namespace

const std::string DEFAULT_ADDRESS_LINES = addressLines(testsupport::CONFIGURED_ENTERPRISE);

std::string defaultBoardUploadConsole() {
    return std::string(DEFAULT_ADDRESS_LINES) +
           "ShareMemAddr = (0x9e000000, 0x9e0c0000)\n"
           "PELGRIN : Reset BMC ! Wait 90 seconds: " +
           resetCount() + "\nDone\n";
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
