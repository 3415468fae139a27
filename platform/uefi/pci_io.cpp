// The PCI I/O protocol, reached by handle as the firmware enumerates it.
#include <string.h>

#include "platform/platform.h"
#include "platform/uefi/firmware.h"

namespace {

// The handle list lives until the program ends, as the seam promises.
EFI_HANDLE* pciHandles = nullptr;
UINTN pciHandleCount = 0;

}  // namespace

EfiStatus platformLocatePciIoHandles(size_t* count, PlatformHandle** handles) {
    if (pciHandles == nullptr) {
        EFI_STATUS status = bootServices()->LocateHandleBuffer(
            ByProtocol, const_cast<EFI_GUID*>(&kPciIoProtocolGuid), nullptr, &pciHandleCount,
            &pciHandles);
        if (EFI_ERROR(status)) {
            pciHandles = nullptr;
            return status;
        }
    }
    *count = pciHandleCount;
    *handles = reinterpret_cast<PlatformHandle*>(pciHandles);
    return EFI_SUCCESS;
}

EfiStatus platformOpenPciIo(PlatformHandle handle, PlatformPciIo** pciIo) {
    void* interface = nullptr;
    EFI_STATUS status =
        bootServices()->OpenProtocol(handle, const_cast<EFI_GUID*>(&kPciIoProtocolGuid), &interface,
                                     firmware.image, nullptr, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
    if (EFI_ERROR(status))
        return status;
    *pciIo = static_cast<PlatformPciIo*>(interface);
    return EFI_SUCCESS;
}

EfiStatus platformPciConfigRead(PlatformPciIo* pciIo, PlatformPciWidth width, uint32_t offset,
                                size_t count, void* buffer) {
    EFI_PCI_IO_PROTOCOL* protocol = reinterpret_cast<EFI_PCI_IO_PROTOCOL*>(pciIo);
    EFI_PCI_IO_PROTOCOL_WIDTH efiWidth =
        width == PLATFORM_PCI_WIDTH_UINT32 ? EfiPciIoWidthUint32 : EfiPciIoWidthUint8;
    return protocol->Pci.Read(protocol, efiWidth, offset, count, buffer);
}

namespace {

// The ACPI QWORD address-space descriptor GetBarAttributes hands back: a
// packed record whose range length lies 38 bytes in.
constexpr uint8_t kQwordDescriptorTag = 0x8A;
constexpr size_t kDescriptorLengthOffset = 38;
constexpr uint32_t kFirstBarOffset = 0x10;
constexpr uint32_t kLastBarOffset = 0x24;

uint64_t descriptorLength(const uint8_t* descriptor) {
    if (descriptor[0] != kQwordDescriptorTag)
        return 0;
    uint64_t length = 0;
    memcpy(&length, descriptor + kDescriptorLengthOffset, sizeof length);
    return length;
}

}  // namespace

EfiStatus platformPciBarLength(PlatformPciIo* pciIo, uint32_t barOffset, uint64_t* length) {
    if (barOffset < kFirstBarOffset || barOffset > kLastBarOffset || barOffset % 4 != 0)
        return EFI_INVALID_PARAMETER;
    EFI_PCI_IO_PROTOCOL* protocol = reinterpret_cast<EFI_PCI_IO_PROTOCOL*>(pciIo);
    UINT8 barIndex = static_cast<UINT8>((barOffset - kFirstBarOffset) / 4);
    void* resources = nullptr;
    EFI_STATUS status = protocol->GetBarAttributes(protocol, barIndex, nullptr, &resources);
    if (EFI_ERROR(status))
        return status;
    *length = descriptorLength(static_cast<const uint8_t*>(resources));
    bootServices()->FreePool(resources);
    return EFI_SUCCESS;
}

EfiStatus platformPciLocation(PlatformPciIo* pciIo, PlatformPciLocation* location) {
    EFI_PCI_IO_PROTOCOL* protocol = reinterpret_cast<EFI_PCI_IO_PROTOCOL*>(pciIo);
    UINTN segment = 0, bus = 0, device = 0, function = 0;
    EFI_STATUS status = protocol->GetLocation(protocol, &segment, &bus, &device, &function);
    if (EFI_ERROR(status))
        return status;
    *location = {static_cast<uint32_t>(segment), static_cast<uint32_t>(bus),
                 static_cast<uint32_t>(device), static_cast<uint32_t>(function)};
    return EFI_SUCCESS;
}

// Firmware maps all of memory one to one and no other program runs beside
// the shell's: the BAR is reachable as it is.
EfiStatus platformPciClaimWindow(PlatformPciIo*, uint32_t, uint64_t, uint64_t) {
    return EFI_SUCCESS;
}

EfiStatus platformClaimBmc(uint16_t) {
    return EFI_SUCCESS;
}
