#include <stdio.h>
#include <sys/wait.h>

#include "tests/dorvax/dorvax_run.h"

namespace {

using Reply = DorvaxBoard;

// The simulated BMC answers whatever LUN is asked; the reply carries it back.
const char* const GET_DEVICE_ID_REPLY_LUN_1 =
    "\nReturn Data= 1D 01 00 20 01 01 23 02 BF 00 00 00 01 00 \n";

TEST_F(Reply, SuccessPrintsEveryCountedByteInUpperCase) {
    sim::DeviceIdentity identity;
    identity.firmwareRevision1 = 0x81;
    identity.firmwareRevision2 = 0xAB;
    sim::setDeviceIdentity(identity);
    DorvaxRun whole = run({"18", "01"});
    EXPECT_EQ(whole.result, 0);
    EXPECT_EQ(whole.output, "\nReturn Data= 1C 01 00 20 01 81 AB 02 BF 00 00 00 01 00 \n");
}

// A script reads the status, an operator the line: neither may take a
// non-zero code for success, named in the table or not.
TEST_F(Reply, EveryNonZeroCompletionCodeIsAnError) {
    struct Case {
        uint8_t code;
        const char* output;
    };
    const Case cases[] = {
        {0xC0, "\nError Code[0xc0]:Node Busy.\n"},
        {0xC1, "\nError Code[0xc1]:Invalid Command.\n"},
        {0xD4, "\nError Code[0xd4]:privilege level or other security - based restriction.\n"},
        {0xD6, "\nError Code[0xd6]:Parameter is illegal\n"},
        {0xFF, "\nError Code[0xff]:Unspecified error.\n"},
        {0x01, "\nError Code[0x1]:Device-specific (OEM) completion code.\n"},
        {0x7E, "\nError Code[0x7e]:Device-specific (OEM) completion code.\n"},
        {0x7F, "\nError Code[0x7f]:Unspecified error.\n"},
        {0x80, "\nError Code[0x80]:Command-specific completion code.\n"},
        {0xBE, "\nError Code[0xbe]:Command-specific completion code.\n"},
        {0xBF, "\nError Code[0xbf]:Unspecified error.\n"},
        {0xD7, "\nError Code[0xd7]:Unspecified error.\n"},
        {0xFE, "\nError Code[0xfe]:Unspecified error.\n"},
    };
    for (const Case& c : cases) {
        answer({0x1C, 0x01, c.code, 0x55});
        DorvaxRun r = run({"18", "01"});
        EXPECT_EQ(r.result, -1) << int(c.code);
        EXPECT_EQ(r.output, c.output);
    }
    // The simulated BMC's own answer to a command it does not know.
    DorvaxRun unknown = run({"18", "77"});
    EXPECT_EQ(unknown.output, "\nError Code[0xc1]:Invalid Command.\n");
}

// LUN bits in the first byte almost always mean a NetFn typed unshifted
// (06 is NetFn 1, LUN 2): an error then says how the byte is made.
TEST_F(Reply, ErrorForARequestWithLunBitsExplainsTheFirstByte) {
    struct Case {
        std::vector<std::string> words;
        int result;
        const char* output;
    };
    const Case cases[] = {
        // NetFn 01 is a response's: the BMC's reply cannot echo NetFn + 1
        {{"06", "01"},
         -1,
         "\nReturn Data= 06 01 C1 \nError! The reply answers another request (NetFn 0x01, "
         "command 0x01)\n" BYTE_HINT},
        {{"1B", "77"}, -1, "\nError Code[0xc1]:Invalid Command.\n" BYTE_HINT},
        {{"18", "77"}, -1, "\nError Code[0xc1]:Invalid Command.\n"},
        {{"19", "01"}, 0, GET_DEVICE_ID_REPLY_LUN_1},
    };
    for (const Case& c : cases) {
        DorvaxRun r = run(c.words);
        EXPECT_EQ(r.result, c.result) << c.words[0];
        EXPECT_EQ(r.output, c.output) << c.words[0];
    }
}

TEST_F(Reply, ElevenFailedRequestsAreAnAccessTimeout) {
    sim::attachPortDevice(nullptr);
    DorvaxRun floating = run({"18", "01"});
    EXPECT_EQ(floating.result, -1);
    EXPECT_EQ(floating.output, "\nKCS ACCESS TIMEOUT\n");
    EXPECT_EQ(sim::portReads(0x0CA3), 11u);  // one look at the bus per request

    SetUp();
    sim::KcsFaults stuck;
    stuck.ibfBusyReads = sim::KCS_IBF_NEVER_CLEARS;
    sim::kcsBmc().script(stuck);
    DorvaxRun timeout = run({"18", "01", "-delay", "0"});
    EXPECT_EQ(timeout.output, "\nKCS ACCESS TIMEOUT\n");
    // Per request 50 write and 50 read attempts of one full wait each, and
    // the one wait before the first WRITE_START that found IBF clear.
    EXPECT_EQ(sim::stallCount(), 11u * 100 * 50 + 1);

    // Eleven requests of 100 waits of 15 ms would take 825 s: all of them
    // share one 15 s deadline.
    for (const char* delay : {"f", "ffff"}) {
        SCOPED_TRACE(delay);
        SetUp();
        sim::kcsBmc().script(stuck);
        DorvaxRun late = run({"18", "01", "-delay", delay});
        EXPECT_EQ(late.output, "\nKCS ACCESS TIMEOUT\n");
        EXPECT_EQ(late.result, -1);
        EXPECT_EQ(sim::nowMicros(), 15000000u);
    }
}

// The program itself on the simulated board, as the board's faults make it
// answer: -1 reaches the host shell as 255.
TEST_F(Reply, HostProgramAnswersGetDeviceId) {
    struct Case {
        const char* faults;
        const char* output;
        int status;
    };
    const Case cases[] = {
        {"", "\nReturn Data= 1C 01 00 20 01 01 23 02 BF 00 00 00 01 00 \n", 0},
        {"reply-short", "\nReturn Data= 1C 01 \nError! The reply has no completion code\n", 255},
        {"reply-echo",
         "\nReturn Data= 1C 04 00 20 01 01 23 02 BF 00 00 00 01 00 \n"
         "Error! The reply answers another request (NetFn 0x07, command 0x04)\n",
         255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        std::string command = std::string("SIM_FAULTS='") + c.faults + "' " DORVAX_PROGRAM " 18 01";
        FILE* program = popen(command.c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::string output;
        char chunk[256];
        while (size_t got = fread(chunk, 1, sizeof chunk, program))
            output.append(chunk, got);
        int status = pclose(program);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_EQ(output, c.output);
    }
}

}  // namespace
