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

// A reply that is no answer is shown as it came, then named: too short to
// hold a completion code, or echoing another NetFn/LUN or command.
TEST_F(BadReply, RepliesThatAreNoAnswerAreShownAndRefused) {
    struct Case {
        sim::Bytes reply;
        const char* output;
        int result;
    };
    const Case cases[] = {
        // NetFn 07 LUN 0, command 01: no completion code
        {{0x1C, 0x01}, "\nReturn Data= 1C 01 \nError! The reply has no completion code\n", -1},
        // ended before its first byte
        {{}, "\nReturn Data= \nError! The reply has no completion code\n", -1},
        // NetFn 07, command 02, cc 00: another command's reply
        {{0x1C, 0x02, 0x00},
         "\nReturn Data= 1C 02 00 \n"
         "Error! The reply answers another request (NetFn 0x07, command 0x02)\n",
         -1},
        // NetFn 07, command 01, cc C1: an answer, refused by its code
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
        // All eleven requests within the one deadline.
        EXPECT_LE(sim::nowMicros(), 15000000u);
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
