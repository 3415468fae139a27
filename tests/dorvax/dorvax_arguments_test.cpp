#include "dorvax/dorvax_args.h"
#include "tests/dorvax/dorvax_run.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

namespace {

using Arguments = DorvaxBoard;

const char* const GET_DEVICE_ID_REPLY =
    "\nReturn Data= 1C 01 00 20 01 01 23 02 BF 00 00 00 01 00 \n";

TEST_F(Arguments, NoArgumentsPrintBannerUsageAndInputError) {
    DorvaxRun r = run({});
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.output,
              "DORVAX interface for UEFI. Ver 1.2\n"
              "Usage: dorvax XX XX XX XX XX XX -delay YY (ms) \n"
              "     : XX   Input Data\n"
              "     : Example: dorvax 18 01, Is GetDevID Command , Just support CA2/CA3 Port \n"
              "\nInput Data Error\n" BYTE_HINT);
    EXPECT_EQ(sim::portReads(0x0CA3), 0u);
}

TEST_F(Arguments, DataWordsAreTheirFirstTwoHexDigits) {
    for (const char* first : {"18", "180", "18zz"}) {
        SetUp();
        DorvaxRun r = run({first, "01"});
        EXPECT_EQ(r.result, 0) << first;
        EXPECT_EQ(r.output, GET_DEVICE_ID_REPLY);
        ASSERT_EQ(received().size(), 1u);  // the first request succeeded
        EXPECT_EQ(received()[0], (sim::Bytes{0x18, 0x01}));
    }
    SetUp();
    answer({0x1C, 0x01, 0x00});
    EXPECT_EQ(run({"18", "01", "aF", "Fa", "09", "C3"}).result, 0);
    EXPECT_EQ(received().at(0), (sim::Bytes{0x18, 0x01, 0xAF, 0xFA, 0x09, 0xC3}));
}

TEST_F(Arguments, MalformedDataIsRefusedBeforeAnythingIsSent) {
    struct Case {
        std::vector<std::string> words;
        const char* output;
    };
    const Case cases[] = {
        {{"8", "01"}, "Input Data Error\n" BYTE_HINT},
        {{"18", "0g"}, "Input Data Error\n" BYTE_HINT},
        {{"0x18", "0x01"}, "Input Data Error\n" BYTE_HINT},
        {{"-delay", "20", "18", "01"}, "Input Data Error\n" BYTE_HINT},
        {{"18", "01", "-delay"}, "Input Data Error\n" BYTE_HINT},
        {{"18", "01", "-DELAY"}, "Input Data Error\n" BYTE_HINT},
        {{"18"}, "\nInput Data Error\n" BYTE_HINT},
        {{"8"}, "Input Data Error\n" BYTE_HINT},
        {{"18", "-delay", "20"}, "\nInput Data Error\n" BYTE_HINT},
        {std::vector<std::string>(65, "00"), "\nInput Data Error\n" BYTE_HINT},
    };
    for (const Case& c : cases) {
        SetUp();
        DorvaxRun r = run(c.words);
        EXPECT_EQ(r.result, -1) << c.words[0] << " x" << c.words.size();
        EXPECT_EQ(r.output, c.output) << c.words[0] << " x" << c.words.size();
        EXPECT_EQ(sim::portReads(0x0CA3), 0u);
    }
}

TEST_F(Arguments, TrailingBareDelayKeywordIsTheByteDE) {
    for (const char* keyword : {"delay", "DELAY"}) {
        SetUp();
        answer({0x1C, 0x01, 0x00});
        EXPECT_EQ(run({"18", "01", keyword}).result, 0);
        EXPECT_EQ(received().at(0), (sim::Bytes{0x18, 0x01, 0xDE}));
    }
    SetUp();
    answer({0x1C, 0x01, 0x00});
    std::vector<std::string> full(64, "00");
    full[0] = "18";
    full[1] = "01";
    EXPECT_EQ(run(full).result, 0);
    EXPECT_EQ(received().at(0).size(), 64u);
}

// Milliseconds of each pause while the request ran.
uint64_t pauseMs() {
    return sim::stallCount() == 0 ? 0 : sim::stalledMicros() / sim::stallCount() / 1000;
}

TEST_F(Arguments, DelayValueIsHexadecimalMillisecondsPerPause) {
    struct Case {
        std::vector<std::string> words;
        uint64_t ms;
    };
    const Case cases[] = {
        {{"18", "01"}, 15},
        {{"18", "01", "-delay", "0x20"}, 32},
        {{"18", "01", "-delay", "20"}, 32},
        {{"18", "01", "DELAY", "10"}, 16},
        {{"18", "01", "delay", "1g"}, 16},
        {{"18", "01", "-DELAY", "0x"}, 0},
        // low 16 bits; a longer pause would not fit the 15 s deadline
        {{"18", "01", "-delay", "10123"}, 0x123},
        {{"18", "01", "-delay", "5", "-delay", "20"}, 32},
    };
    for (const Case& c : cases) {
        SetUp();
        DorvaxRun r = run(c.words);
        EXPECT_EQ(r.result, 0) << c.words.back();
        EXPECT_GT(sim::stallCount(), 0u);
        EXPECT_EQ(pauseMs(), c.ms) << c.words.back();
        EXPECT_EQ(kcsPolicy.pollIntervalUs, c.ms * 1000);
    }
    EXPECT_EQ(parseDelayValue("0X20"), 0x0020);  // only a lower-case x is a prefix
}

}  // namespace
