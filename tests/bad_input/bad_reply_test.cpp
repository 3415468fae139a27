// dorvax against a BMC that answers short, too long, with a stray state or
// stops half-way, and with requests at the size limit.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/dorvax/dorvax_run.h"

KcsPolicy kcsPolicy = DORVAX_KCS_POLICY;

namespace {

class BadReply : public DorvaxBoard {};

// 1C 01 00, then each byte its own index.
sim::Bytes numbered(size_t size) {
    sim::Bytes reply(size);
    for (size_t i = 0; i < size; ++i)
        reply[i] = static_cast<uint8_t>(i);
    reply[0] = 0x1C;
    reply[1] = 0x01;
    reply[2] = 0x00;
    return reply;
}

std::string hexList(const sim::Bytes& bytes) {
    std::string text;
    for (uint8_t byte : bytes) {
        char digits[4];
        snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    return text;
}

// A reply that is shorter than its header is printed as it came: the
// completion code byte it did not send reads as 0.
TEST_F(BadReply, ShortRepliesArePrintedAsData) {
    struct Case {
        sim::Bytes reply;
        const char* output;
        int result;
    };
    const Case cases[] = {
        {{0x1C, 0x01}, "\nReturn Data= 1C 01 \n", 0},
        {{0x1C}, "\nReturn Data= 1C \n", 0},
        {{0x1C, 0x01, 0xC1}, "\nError Code[0xc1]:Invalid Command.\n", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        SetUp();
        answer(c.reply);
        DorvaxRun r = run({"18", "01"});
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(received().size(), 1u);
    }
}

// Every one of the eleven tries fails, and each ends within its bound.
TEST_F(BadReply, GarbledTransfersEndAsAccessTimeout) {
    struct Case {
        const char* name;
        sim::KcsFaults faults;
        sim::Bytes reply;  // empty: the default board's Get Device ID answer
    };
    sim::KcsFaults errorState;
    errorState.strayStateAt = 0;
    errorState.strayState = sim::KcsState::Error;
    sim::KcsFaults writeState;
    writeState.strayStateAt = 3;
    writeState.strayState = sim::KcsState::Write;
    sim::KcsFaults stopsMidway;
    stopsMidway.obfWithheldFrom = 4;
    sim::KcsFaults noClosingByte;
    noClosingByte.dummyMissing = true;
    const Case cases[] = {
        {"ERROR_STATE instead of the first byte", errorState, {}},
        {"WRITE_STATE instead of the fourth byte", writeState, {}},
        {"stops offering after four bytes", stopsMidway, {}},
        {"closing byte never comes", noClosingByte, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        sim::kcsBmc().script(c.faults);
        if (!c.reply.empty())
            answer(c.reply);
        DorvaxRun r = run({"18", "01", "-delay", "1"});
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(r.output, "\nKCS ACCESS TIMEOUT\n");
        // 11 requests of at most 50 write and 50 read attempts, each of at
        // most a few hundred waits of 50 pauses of 1 ms.
        EXPECT_LT(sim::nowMicros(), 11ull * 100 * 600 * 50 * 1000);
    }
}

// A reply that does not fit is one error, sent once and never retried; the
// next request gets its own reply, not the tail of this one. 256 bytes fit.
TEST_F(BadReply, OverLongReplyIsAnErrorAndTheNextRequestIsAnsweredWhole) {
    struct Case {
        size_t size;
        uint64_t filler;  // bytes the BMC runs on after the reply
    };
    const Case cases[] = {
        {257, 0},
        {300, 0},
        {14, 300},
        {14, sim::KCS_ENDLESS_RESPONSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size + c.filler);
        SetUp();
        sim::KcsFaults faults;
        faults.fillerAfterResponse = c.filler;
        sim::kcsBmc().script(faults);
        if (c.size != 14)
            answer(numbered(c.size));
        DorvaxRun r = run({"18", "01"});
        EXPECT_EQ(r.output, "\nKCS RESPONSE TOO LONG: more than 256 bytes, discarded\n");
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(received().size(), 1u);

        sim::kcsBmc().script(sim::KcsFaults{});
        sim::bmc().registerHandler(0x06, 0x01, sim::deviceIdResponse);
        EXPECT_EQ(run({"18", "01"}).output,
                  "\nReturn Data= 1C 01 00 20 01 01 23 02 BF 00 00 00 01 00 \n");
    }
    SetUp();
    sim::Bytes full = numbered(256);
    answer(full);
    DorvaxRun whole = run({"18", "01"});
    EXPECT_EQ(whole.result, 0);
    EXPECT_EQ(whole.output, "\nReturn Data= " + hexList(full) + "\n");
}

// The request area holds 64 bytes: 64 go out whole, 65 are refused unsent
// (Arguments.MalformedDataIsRefusedBeforeAnythingIsSent).
TEST_F(BadReply, SixtyFourRequestBytesGoOutWhole) {
    std::vector<std::string> words = {"18", "01"};
    for (int i = 2; i < 64; ++i)
        words.push_back("A5");
    DorvaxRun r = run(words);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].size(), 64u);
    EXPECT_EQ(received()[0].back(), 0xA5);
    EXPECT_EQ(r.result, 0);
}

}  // namespace
