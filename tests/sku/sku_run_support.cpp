#include "tests/sku/sku_run_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "pelgrin/run/run_constants.h"
#include "pelgrin/sku/process_sku.h"
#include "pelgrin/xml/xml_memory.h"
#include "tests/support/scratch_dir.h"

namespace skuTest {

namespace {

uint32_t get24(const Bytes& bytes, size_t offset) {
    return bytes.at(offset) | bytes.at(offset + 1) << 8 | bytes.at(offset + 2) << 16;
}

}  // namespace

std::string exampleDescription() {
    std::string text = testsupport::readText(VELSKU_EXAMPLES_DIR "/SKU.xml");
    EXPECT_FALSE(text.empty());
    return text;
}

std::string replaced(const std::string& text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
    if (at == std::string::npos)
        return text;
    return text.substr(0, at) + to + text.substr(at + from.size());
}

RunResult runSku(const char* description, SkuContext* context) {
    if (description != nullptr)
        testsupport::writeFile("SKU.xml", description);
    std::vector<uint8_t> imageBuffer(SKU_IMAGE_MAX, 0);
    RunResult result = {0, ""};
    testsupport::beginCapture();
    result.status = processSku(context, imageBuffer.data());
    result.output = testsupport::endCapture();
    EXPECT_EQ(xmlLiveBlocks(), 0u) << "XML blocks left after the run";
    free(context->skuGz);
    context->skuGz = nullptr;
    return result;
}

RunResult runSku(const std::string& description, SkuContext* context) {
    return runSku(description.c_str(), context);
}

bool noOutputs() {
    return !testsupport::fileExists("mysku.xml") && !testsupport::fileExists("mysku.xml.gz") &&
           !testsupport::fileExists("SKU.BIN");
}

Bytes fruEntry() {
    Bytes image = testsupport::readFile("SKU.BIN");
    if (image.size() < 256) {
        ADD_FAILURE() << "no SKU.BIN image";
        return {};
    }
    const size_t entry = 0xC0;
    uint32_t offset = get24(image, entry + 24);
    uint32_t size = get24(image, entry + 27);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[entry])), "NVRAM_FRU00.dat");
    return Bytes(image.begin() + offset, image.begin() + offset + size);
}

Bytes boardDate(const Bytes& fru) {
    size_t board = fru.at(3) * 8u;
    return Bytes(fru.begin() + board + 3, fru.begin() + board + 6);
}

std::string decodedFru(const Bytes& fru) {
    std::string bytes(fru.begin(), fru.end());
    testsupport::writeFile("fru-entry.bin", bytes);
    FILE* pipe = popen("TZ=UTC ipmi-fru --fru-file=fru-entry.bin 2>&1", "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "ipmi-fru cannot be started";
        return "";
    }
    std::string report;
    char chunk[512];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        report.append(chunk, count);
    EXPECT_EQ(pclose(pipe), 0) << report;
    EXPECT_EQ(report.find("FRU Error"), std::string::npos) << report;
    EXPECT_NE(report.find("FRU Inventory From File"), std::string::npos) << report;
    return report;
}

std::string inflated(const std::string& gzFile) {
    gzFile_s* file = gzopen(gzFile.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << gzFile;
        return "";
    }
    std::string text;
    char chunk[4096];
    int count;
    while ((count = gzread(file, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<size_t>(count));
    EXPECT_EQ(count, 0);
    gzclose(file);
    return text;
}

}  // namespace skuTest
