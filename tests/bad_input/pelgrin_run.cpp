#include "tests/bad_input/pelgrin_run.h"

#include <random>

#include "kcs/kcs.h"
#include "pelgrin/frontend/banner_usage.h"
#include "pelgrin/frontend/pelgrin_main.h"
#include "pelgrin/xml/xml_memory.h"
#include "platform/sim/sim_board.h"
#include "tests/sku/sku_run_support.h"

KcsPolicy kcsPolicy = PELGRIN_KCS_POLICY;

namespace badinput {

namespace {

const char* const OUTPUTS[] = {"SKU.BIN", "mysku.xml", "mysku.xml.gz"};

std::string earlierContent(const std::string& name) {
    return "earlier unit's " + name + "\n";
}

std::string banner() {
    return testsupport::captureStdout([] { printBanner(); });
}

}  // namespace

void PelgrinRun::SetUp() {
    freshBoard();
    leaveEarlierOutputs();
}

void PelgrinRun::freshBoard() {
    sim::resetBoard();
    sim::installDefaultBoard();
    sim::setWallClock(BOARD_CLOCK);
    kcsPolicy = PELGRIN_KCS_POLICY;
}

void PelgrinRun::leaveEarlierOutputs() {
    for (const char* name : OUTPUTS)
        testsupport::writeFile(name, earlierContent(name));
}

PelgrinOutcome PelgrinRun::run(std::vector<std::string> words) {
    words.insert(words.begin(), "pelgrin");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    PelgrinOutcome outcome{};
    std::string printed = testsupport::captureStdout(
        [&] { outcome.status = pelgrinMain(static_cast<int>(words.size()), argv.data()); });
    EXPECT_EQ(xmlLiveBlocks(), 0u) << "XML blocks left after the run";
    std::string head = banner();
    EXPECT_EQ(printed.compare(0, head.size(), head), 0) << "no banner first";
    outcome.output = printed.substr(std::min(head.size(), printed.size()));
    return outcome;
}

std::string PelgrinRun::filesLeft() {
    std::string left;
    for (const char* name : OUTPUTS) {
        if (!testsupport::fileExists(name))
            continue;
        if (!left.empty())
            left += " ";
        left += name;
        if (testsupport::readText(name) == earlierContent(name))
            left += "(earlier)";
    }
    return left;
}

std::string descriptionWithNoise(size_t size) {
    static const char ALPHABET[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(7);
    std::string noise(size, ' ');
    for (char& c : noise)
        c = ALPHABET[random() % 64];
    return skuTest::replaced(skuTest::exampleDescription(), "</VELSKU>",
                             "<Blob>" + noise + "</Blob>\n</VELSKU>");
}

std::string from(const std::string& output, const std::string& marker) {
    size_t at = output.find(marker);
    return at == std::string::npos ? std::string() : output.substr(at);
}

}  // namespace badinput
