#include "platform/sim/smem_board.h"

namespace sim {

namespace {
void put16(PciFunction& function, size_t offset, uint16_t value) {
    function.config[offset] = static_cast<uint8_t>(value);
    function.config[offset + 1] = static_cast<uint8_t>(value >> 8);
}
void put32(PciFunction& function, size_t offset, uint32_t value) {
    put16(function, offset, static_cast<uint16_t>(value));
    put16(function, offset + 2, static_cast<uint16_t>(value >> 16));
}
}  // namespace

PciFunction pciFunction(uint16_t vendor, uint16_t device, uint8_t baseClass, uint8_t subClass,
                        uint8_t progIf, uint16_t command, uint32_t windowRegister) {
    PciFunction function;
    put16(function, 0x00, vendor);
    put16(function, 0x02, device);
    put16(function, 0x04, command);
    function.config[0x08] = 0x01;  // revision
    function.config[0x09] = progIf;
    function.config[0x0A] = subClass;
    function.config[0x0B] = baseClass;
    put32(function, 0x14, windowRegister);
    return function;
}

std::vector<PciFunction> defaultPciBus(uint32_t windowRegister) {
    return {
        pciFunction(0x1F3C, 0x0100, 0x06, 0x00, 0x00, 0x0006, 0x00000000),
        pciFunction(0x1F3C, 0x0206, 0x01, 0x06, 0x01, 0x0007, 0x0000E001),
        pciFunction(0x1E7A, 0x2000, 0x03, 0x00, 0x00, 0x0003, windowRegister),
        pciFunction(0x1F3C, 0x1533, 0x02, 0x00, 0x00, 0x0006, 0xF7A00000),
    };
}

PciFunction addInGraphicsCard() {
    PciFunction card = pciFunction(0x10DE, 0x1EB8, 0x03, 0x00, 0x00, 0x0007, 0xE0000008);
    card.barLengths[1] = 0x10000000;
    card.placed = true;
    card.location = {0, 0x17, 0, 0};
    return card;
}

}  // namespace sim
