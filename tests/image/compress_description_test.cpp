#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pelgrin/image/sku_image.h"
#include "tests/image/gzip_inflate.h"
#include "tests/support/scratch_dir.h"

using imageTest::inflateGzip;
using testsupport::captureStdout;
using testsupport::readFile;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

struct CompressRun {
    int status;
    std::string printed;
    SkuContext context;
};

CompressRun runCompress() {
    CompressRun run{};
    run.printed = captureStdout([&] { run.status = compressDescription(&run.context); });
    return run;
}

std::string noisyText(size_t size) {
    std::mt19937 generator(7);
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>(generator());
    return text;
}

}  // namespace

TEST(CompressDescription, StreamInflatesToTheDescriptionAndIsReadBack) {
    for (const std::string& description :
         {std::string("<?xml version=\"1.0\"?>\n<VELSKU>\n   <RandCode>R1</RandCode>\n</VELSKU>\n"),
          std::string(), noisyText(3 * 16384 + 5)}) {
        ScratchDir scratch;
        writeFile("mysku.xml", description);
        CompressRun run = runCompress();
        ASSERT_EQ(run.status, 0) << run.printed;
        EXPECT_EQ(run.printed, "");
        std::vector<uint8_t> onDisk = readFile("mysku.xml.gz");
        ASSERT_EQ(run.context.skuGzSize, onDisk.size());
        EXPECT_EQ(std::vector<uint8_t>(run.context.skuGz, run.context.skuGz + onDisk.size()),
                  onDisk);
        // gzip header: magic 1F 8B, method 08, no flags (no file name), mtime 0.
        ASSERT_GE(onDisk.size(), 18u);
        EXPECT_EQ(std::vector<uint8_t>(onDisk.begin(), onDisk.begin() + 8),
                  std::vector<uint8_t>({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00}));
        EXPECT_EQ(inflateGzip(onDisk), description) << "size " << description.size();
        free(run.context.skuGz);
    }
}

TEST(CompressDescription, FailuresPrintTheirLineAndLeaveNoBlock) {
    struct Case {
        const char* what;
        void (*prepare)();
        const char* printed;
    };
    const Case cases[] = {
        {"no description", [] {}, "Can't open mysku.xml\n"},
        {"gz name taken by a directory",
         [] {
             writeFile("mysku.xml", "<VELSKU/>");
             std::filesystem::create_directory("mysku.xml.gz");
         },
         "Can't open mysku.xml.gz\n"},
        {"description unreadable", [] { std::filesystem::create_directory("mysku.xml"); },
         "fread: Read Error !\n"},
        {"device full while streaming",
         [] {
             writeFile("mysku.xml", noisyText(64 * 1024));
             std::filesystem::create_symlink("/dev/full", "mysku.xml.gz");
         },
         "gzwrite: Write Error !\n"},
        {"device full on close",
         [] {
             writeFile("mysku.xml", "<VELSKU/>");
             std::filesystem::create_symlink("/dev/full", "mysku.xml.gz");
         },
         "gzclose: Close Error !\n"},
    };
    for (const Case& c : cases) {
        ScratchDir scratch;
        c.prepare();
        CompressRun run = runCompress();
        EXPECT_EQ(run.status, -1) << c.what;
        EXPECT_EQ(run.printed, c.printed) << c.what;
        EXPECT_EQ(run.context.skuGz, nullptr) << c.what;
        EXPECT_EQ(run.context.skuGzSize, 0u) << c.what;
    }
}
