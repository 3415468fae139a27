// The OEM requests and Get Device ID at message level: the bytes each sends
// and what it makes of the BMC's answer.
#include <cstring>
#include <initializer_list>
#include <string>

#include "pelgrin/channel/ipmi_exchange.h"
#include "pelgrin/channel/oem_requests.h"
#include "platform/platform.h"
#include "tests/channel/channel_fixture.h"
#include "tests/support/enterprise_number.h"

namespace channeltest {
namespace {

using sim::Bytes;
using testsupport::captureStdout;

// An OEM/Group request (NetFn 0x2E, LUN 0) to the configured enterprise number.
Bytes oemRequest(uint8_t command, std::initializer_list<uint8_t> parameters) {
    const auto& number = testsupport::CONFIGURED_ENTERPRISE;
    Bytes request = {0xB8, command, number[0], number[1], number[2]};
    for (uint8_t parameter : parameters)
        request.push_back(parameter);
    return request;
}

class BmcRequests : public ChannelTest {
  protected:
    // The status request answered from `statuses`, one per request (the last
    // one repeats).
    void answerStatuses(std::vector<uint8_t> statuses) {
        sim::bmc().registerHandler(0x2E, 0x3F, [this, statuses](const Bytes& request) {
            Bytes response = sim::responseHeader(request, 0);
            response.insert(response.end(), request.begin() + 2, request.begin() + 5);
            response.push_back(statuses[std::min(answered++, statuses.size() - 1)]);
            return response;
        });
    }
    void answerVersion(uint8_t major, uint8_t minor) {
        sim::bmc().registerHandler(0x06, 0x01, [major, minor](const Bytes& request) {
            Bytes response = sim::responseHeader(request, 0);
            Bytes data = {0x20, 0x01, major, minor, 0x02};
            response.insert(response.end(), data.begin(), data.end());
            return response;
        });
    }
    // Answers NetFn `netFn`, `command` with exactly these bytes.
    static void answerWith(uint8_t netFn, uint8_t command, const Bytes& reply) {
        sim::bmc().registerHandler(netFn, command, [reply](const Bytes&) { return reply; });
    }
    // The command word of the upload record, seen through the window.
    uint64_t uploadCommandWord() {
        platformPhysWrite8(DEFAULT_WINDOW + 0xF000, 1);
        platformPhysWrite32(DEFAULT_WINDOW + 0xF004, bmc().memory().base());
        return DEFAULT_WINDOW + 0x10000 + 0x2200;
    }
    size_t answered = 0;
};

// Response bytes 6..9 little-endian: 00 00 00 9E is 0x9E000000.
TEST_F(BmcRequests, AddressRequestSendsItsBytesAndReadsTheAddress) {
    uint32_t address = 0;
    bool answered = false;
    std::string out = captureStdout([&] { answered = querySmemAddress(&address); });
    EXPECT_TRUE(answered);
    EXPECT_EQ(address, 0x9E000000u);
    ASSERT_EQ(sim::bmc().received().size(), 1u);
    EXPECT_EQ(sim::bmc().received()[0], oemRequest(0x21, {0x0A}));
    // Bytes 10 and 11 were not sent; the cleared response area shows zeros.
    EXPECT_EQ(out, DEFAULT_ADDRESS_LINES);
}

TEST_F(BmcRequests, NoAddressUnlessTheBmcSentOne) {
    auto addressFrom = [&](const sim::SmemScript& script, EfiStatus transport) {
        useScript(script);
        setTransportFailure(transport);
        uint32_t address = 0x12345678;
        bool answered = true;
        std::string out = captureStdout([&] { answered = querySmemAddress(&address); });
        EXPECT_EQ(address, 0x12345678u) << out;
        return std::make_pair(answered, out);
    };
    sim::SmemScript refused;
    refused.addressCompletionCode = 0xC1;
    EXPECT_FALSE(addressFrom(refused, EFI_SUCCESS).first);
    sim::SmemScript shortAnswer;
    shortAnswer.addressResponseLength = 9;
    EXPECT_FALSE(addressFrom(shortAnswer, EFI_SUCCESS).first);
    sim::SmemScript otherEnterprise;
    otherEnterprise.enterpriseNumber = testsupport::ANOTHER_ENTERPRISE;
    EXPECT_FALSE(addressFrom(otherEnterprise, EFI_SUCCESS).first);
    auto failed = addressFrom(sim::SmemScript{}, EFI_TIMEOUT);
    EXPECT_FALSE(failed.first);
    EXPECT_EQ(failed.second, "CmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\nCmdResp = 0, 0, 0, 0\n");
}

TEST_F(BmcRequests, DoorbellTakenAtOnceCostsNoPause) {
    sim::SmemScript script;
    script.doorbellDelayMicros = 0;
    useScript(script);
    uint64_t commandWord = uploadCommandWord();
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(ringDoorbell(commandWord), 0); }), "");
    EXPECT_EQ(sim::stallCount(), 0u);
    EXPECT_EQ(sim::bmc().received().back(), oemRequest(0x20, {0x0C, 0x00}));
    EXPECT_EQ(bmc().doorbellsRung(), 1u);
}

TEST_F(BmcRequests, DoorbellPollsEveryTenMillisecondsUntilTaken) {
    uint64_t commandWord = uploadCommandWord();  // the BMC takes it after 30 ms
    EXPECT_EQ(ringDoorbell(commandWord), 0);
    EXPECT_EQ(sim::stallCount(), 3u);
    EXPECT_EQ(sim::nowMicros(), 30000u);
    EXPECT_NE(controlWord(0x2200), 1u);
}

TEST_F(BmcRequests, DoorbellNeverTakenTimesOutAfterThirtySeconds) {
    sim::SmemScript script;
    script.doorbellDelayMicros = sim::SMEM_NEVER;
    useScript(script);
    uint64_t commandWord = uploadCommandWord();
    int32_t result = 0;
    std::string out = captureStdout([&] { result = ringDoorbell(commandWord); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out, "Timeout: Please Check Share Memory exist or not\n");
    EXPECT_EQ(sim::stallCount(), 3000u);
    EXPECT_EQ(sim::nowMicros(), 30000000u);
    EXPECT_EQ(controlWord(0x2200), 1u);
    EXPECT_EQ(bmc().doorbellsRung(), 1u);  // the request is sent once
}

TEST_F(BmcRequests, StatusWaitCountsTriesInPlace) {
    answerStatuses({6});
    EXPECT_EQ(captureStdout([] { EXPECT_EQ(waitForUpdateStatus(6), 0); }), "");
    EXPECT_EQ(sim::stallCount(), 0u);
    EXPECT_EQ(sim::bmc().received().back(), oemRequest(0x3F, {0x03}));

    useScript(sim::SmemScript{});
    answered = 0;
    answerStatuses({0, 0, 6});
    EXPECT_EQ(captureStdout([] { EXPECT_EQ(waitForUpdateStatus(6), 0); }), "00\b\b01\b\b");

    useScript(sim::SmemScript{});
    answered = 0;
    answerStatuses({5});
    std::string tries;
    for (int i = 0; i < 30; ++i)
        tries += (i < 10 ? "0" : "") + std::to_string(i) + "\b\b";
    EXPECT_EQ(captureStdout([] { EXPECT_EQ(waitForUpdateStatus(6), 255); }), tries);
    EXPECT_EQ(sim::bmc().received().size(), 30u);
    EXPECT_EQ(sim::nowMicros(), 30000000u);
}

TEST_F(BmcRequests, UpdateStatusIsResponseByteSix) {
    answerStatuses({0xF0});
    uint8_t status = 0;
    EXPECT_EQ(readUpdateStatus(&status), 0);
    EXPECT_EQ(status, 0xF0);
    setTransportFailure(EFI_DEVICE_ERROR);
    EXPECT_EQ(readUpdateStatus(&status), 255);
    EXPECT_EQ(status, 0);
    setTransportFailure(EFI_SUCCESS);
    // The awaited status in byte 6 of a reply to another command is not seen.
    answerWith(0x2E, 0x3F, {0xBC, 0x3E, 0x00, 0x11, 0x22, 0x33, 0x06});
    EXPECT_EQ(readUpdateStatus(&status), 255);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(captureStdout([] { EXPECT_EQ(waitForUpdateStatus(6), 255); }).size(), 30u * 4);
}

// Every request goes out as NetFn/LUN, command, data; a reply answers it only
// with NetFn + 1 in the same LUN, the same command and a completion code.
TEST_F(BmcRequests, ExchangeTakesOnlyAnEchoWithACompletionCodeAsAnAnswer) {
    struct Case {
        Bytes request;
        Bytes reply;  // as the BMC sent it
        EfiStatus transport;
        ExchangeOutcome outcome;
    };
    const Case cases[] = {
        // NetFn 06 LUN 0, Get Device ID -> NetFn 07 LUN 0, 01, cc 00, data 20
        {{0x18, 0x01}, {0x1C, 0x01, 0x00, 0x20}, EFI_SUCCESS, EXCHANGE_ANSWERED},
        // cc C1 is still the BMC's answer to this request
        {{0x18, 0x01}, {0x1C, 0x01, 0xC1}, EFI_SUCCESS, EXCHANGE_ANSWERED},
        // NetFn 06 LUN 2 -> NetFn 07 LUN 2
        {{0x1A, 0x01}, {0x1E, 0x01, 0x00}, EFI_SUCCESS, EXCHANGE_ANSWERED},
        // NetFn 2E LUN 0, command 3F -> NetFn 2F, 3F, cc 00, IANA 3 bytes
        {{0xB8, 0x3F, 0x11, 0x22, 0x33, 0x03},
         {0xBC, 0x3F, 0x00, 0x11, 0x22, 0x33, 0x01},
         EFI_SUCCESS,
         EXCHANGE_ANSWERED},
        // NetFn 07, command 01, no cc
        {{0x18, 0x01}, {0x1C, 0x01}, EFI_SUCCESS, EXCHANGE_NO_COMPLETION_CODE},
        // ended before its first byte
        {{0x18, 0x01}, {}, EFI_SUCCESS, EXCHANGE_NO_COMPLETION_CODE},
        // NetFn 07, command 04 (Get Self Test Results), cc 00
        {{0x18, 0x01}, {0x1C, 0x04, 0x00}, EFI_SUCCESS, EXCHANGE_OTHER_ECHO},
        // NetFn 06 echoed unchanged, not + 1
        {{0x18, 0x01}, {0x18, 0x01, 0x00}, EFI_SUCCESS, EXCHANGE_OTHER_ECHO},
        // NetFn 07 LUN 1 to a LUN 0 request
        {{0x18, 0x01}, {0x1D, 0x01, 0x00}, EFI_SUCCESS, EXCHANGE_OTHER_ECHO},
        // NetFn 3F LUN 0 has no response NetFn; 00 is NetFn 00, not 3F + 1
        {{0xFC, 0x01}, {0x00, 0x01, 0x00}, EFI_SUCCESS, EXCHANGE_OTHER_ECHO},
        // transport failed: whatever it stored is no answer
        {{0x18, 0x01}, {0x1C, 0x01, 0x00}, EFI_TIMEOUT, EXCHANGE_NO_REPLY},
        // NetFn/LUN alone is no request: not sent
        {{0x18}, {0x1C, 0x01, 0x00}, EFI_SUCCESS, EXCHANGE_NO_REPLY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.reply));
        useScript(sim::SmemScript{});
        setTransportFailure(c.transport);
        // A one-byte request has no command: the BMC is set up for Get Device ID.
        uint8_t command = c.request.size() > 1 ? c.request[1] : 0x01;
        answerWith(c.request[0] >> 2, command, c.reply);
        IpmiReply reply;
        memset(&reply, 0xEE, sizeof reply);
        EXPECT_EQ(ipmiExchange(c.request.data(), c.request.size(), &reply), c.outcome);
        EXPECT_EQ(reply.outcome, c.outcome);
        bool sent = c.request.size() >= 2 && c.transport == EFI_SUCCESS;
        EXPECT_EQ(sim::bmc().received().size(), sent ? 1u : 0u);
        uint64_t stored = sent ? c.reply.size() : 0;
        ASSERT_EQ(reply.length, stored);
        EXPECT_EQ(Bytes(reply.bytes, reply.bytes + stored),
                  Bytes(c.reply.begin(), c.reply.begin() + stored));
        // Bytes the BMC did not send read as zeros, never as stale ones.
        EXPECT_EQ(reply.bytes[stored], 0);
        EXPECT_EQ(reply.bytes[KCS_MAX_RESPONSE - 1], 0);
    }
}

TEST_F(BmcRequests, FirmwareVersionText) {
    answerVersion(0x01, 0x23);
    const char* first = readFirmwareVersion();
    EXPECT_STREQ(first, "1.23\n");
    EXPECT_EQ(sim::bmc().received().back(), (Bytes{0x18, 0x01}));
    answerVersion(0x81, 0x05);  // top bit printed, not masked
    EXPECT_STREQ(readFirmwareVersion(), "81.05\n");
    EXPECT_STREQ(first, "81.05\n");  // one static text
    setTransportFailure(EFI_TIMEOUT);
    EXPECT_STREQ(readFirmwareVersion(), "unknown (no reply)\n");
    setTransportFailure(EFI_SUCCESS);
    struct Case {
        Bytes reply;
        const char* text;
    };
    const Case cases[] = {
        {{0x1C, 0x01}, "unknown (a reply with no completion code)\n"},
        {{0x1C, 0x04, 0x00, 0x20, 0x01, 0x01, 0x23}, "unknown (a reply to another request)\n"},
        {{0x1C, 0x01, 0xC0}, "unknown (completion code 0xC0)\n"},
        {{0x1C, 0x01, 0x00, 0x20, 0x01, 0x01}, "unknown (6 bytes, no firmware revision)\n"},
        {{0x1C, 0x01, 0x00, 0x20, 0x01, 0x01, 0x23}, "1.23\n"},
    };
    for (const Case& c : cases) {
        answerWith(0x06, 0x01, c.reply);
        EXPECT_STREQ(readFirmwareVersion(), c.text);
    }
}

}  // namespace
}  // namespace channeltest
