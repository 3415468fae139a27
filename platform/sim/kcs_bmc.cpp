#include "platform/sim/kcs_bmc.h"

#include "platform/sim/sim_faults.h"

namespace sim {
namespace {

const uint8_t NETFN_APP = 0x06;
const uint8_t CMD_GET_DEVICE_ID = 0x01;

DeviceIdentity& identity() {
    static DeviceIdentity current;
    return current;
}

}  // namespace

KcsBmc& kcsBmc() {
    static KcsBmc device;
    return device;
}

void setDeviceIdentity(const DeviceIdentity& next) {
    identity() = next;
}

// IPMI Get Device ID: device ID, revision, firmware revisions 1 and 2, IPMI
// version, additional support, manufacturer (3 bytes, least significant
// first), product (2 bytes, least significant first).
Bytes deviceIdResponse(const Bytes& request) {
    const DeviceIdentity& id = identity();
    Bytes response = responseHeader(request, 0x00);
    const uint8_t body[] = {id.deviceId,
                            id.deviceRevision,
                            id.firmwareRevision1,
                            id.firmwareRevision2,
                            id.ipmiVersion,
                            id.additionalSupport,
                            static_cast<uint8_t>(id.manufacturerId),
                            static_cast<uint8_t>(id.manufacturerId >> 8),
                            static_cast<uint8_t>(id.manufacturerId >> 16),
                            static_cast<uint8_t>(id.productId),
                            static_cast<uint8_t>(id.productId >> 8)};
    response.insert(response.end(), body, body + sizeof body);
    return response;
}

void installDefaultKcsBmc() {
    identity() = DeviceIdentity{};
    KcsFaults faults;
    faults.deviceIdShort = simFaults().replyShort;
    faults.deviceIdOtherEcho = simFaults().replyEcho;
    kcsBmc().script(faults);
    attachPortDevice(&kcsBmc());
    bmc().registerHandler(NETFN_APP, CMD_GET_DEVICE_ID, deviceIdResponse);
}

}  // namespace sim
