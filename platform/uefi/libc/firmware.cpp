#include "platform/uefi/firmware.h"

Firmware firmware = {nullptr, nullptr, nullptr};

const EFI_GUID kShellProtocolGuid = EFI_SHELL_PROTOCOL_GUID;
const EFI_GUID kShellParametersProtocolGuid = EFI_SHELL_PARAMETERS_PROTOCOL_GUID;
const EFI_GUID kPciIoProtocolGuid = EFI_PCI_IO_PROTOCOL_GUID;
