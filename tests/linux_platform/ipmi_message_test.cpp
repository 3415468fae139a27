#include "platform/linux/ipmi_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(DriverRequest, SplitsRawBytesForTheSystemInterface) {
    const uint8_t raw[] = {0x2E << 2 | 0x02, 0x21, 0x0A, 0x0B};
    DriverRequest out;
    ASSERT_TRUE(packDriverRequest(raw, sizeof raw, 77, &out));
    EXPECT_EQ(out.address.addr_type, IPMI_SYSTEM_INTERFACE_ADDR_TYPE);
    EXPECT_EQ(out.address.channel, IPMI_BMC_CHANNEL);
    EXPECT_EQ(out.address.lun, 0x02);
    EXPECT_EQ(out.request.addr, reinterpret_cast<unsigned char*>(&out.address));
    EXPECT_EQ(out.request.addr_len, sizeof out.address);
    EXPECT_EQ(out.request.msgid, 77);
    EXPECT_EQ(out.request.msg.netfn, 0x2E);
    EXPECT_EQ(out.request.msg.cmd, 0x21);
    ASSERT_EQ(out.request.msg.data_len, 2);
    EXPECT_EQ(out.request.msg.data[0], 0x0A);
    EXPECT_EQ(out.request.msg.data[1], 0x0B);
}

TEST(DriverRequest, RefusesWhatOneMessageCannotCarry) {
    const uint8_t one[] = {0x18};
    DriverRequest out;
    EXPECT_FALSE(packDriverRequest(one, 1, 1, &out));
    EXPECT_FALSE(packDriverRequest(nullptr, 2, 1, &out));
    std::vector<uint8_t> longest(2 + IPMI_MAX_MSG_LENGTH, 0x18);
    EXPECT_TRUE(packDriverRequest(longest.data(), longest.size(), 1, &out));
    longest.push_back(0);
    EXPECT_FALSE(packDriverRequest(longest.data(), longest.size(), 1, &out));
}

struct Received {
    uint8_t data[IPMI_MAX_MSG_LENGTH] = {};
    ipmi_recv recv = {};
    Received(uint8_t netfn, uint8_t cmd, unsigned short length) {
        recv.msg = {netfn, cmd, length, data};
        for (unsigned i = 0; i < length; ++i)
            data[i] = static_cast<uint8_t>(i);
    }
};

TEST(DriverResponse, LaidOutAsTheKcsInterfaceDeliversIt) {
    Received get(0x07, 0x01, 3);
    get.data[0] = 0x00;
    get.data[1] = 0x20;
    get.data[2] = 0x07;
    uint8_t response[256] = {};
    bool cutOff = true;
    ASSERT_EQ(unpackDriverResponse(get.recv, 0x01, response, sizeof response, &cutOff), 5u);
    EXPECT_FALSE(cutOff);
    const uint8_t expected[] = {0x1D, 0x01, 0x00, 0x20, 0x07};
    EXPECT_EQ(0, memcmp(response, expected, sizeof expected));
}

TEST(DriverResponse, CutOffAtTheCapacityAsTheTransportDoes) {
    Received big(0x07, 0x01, 260);
    uint8_t response[256] = {};
    bool cutOff = false;
    EXPECT_EQ(unpackDriverResponse(big.recv, 0, response, sizeof response, &cutOff), 256u);
    EXPECT_TRUE(cutOff);
    EXPECT_EQ(response[255], 253);
    Received exact(0x07, 0x01, 254);
    EXPECT_EQ(unpackDriverResponse(exact.recv, 0, response, sizeof response, &cutOff), 256u);
    EXPECT_FALSE(cutOff);
}

}  // namespace
