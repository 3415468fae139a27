// The firmware as the program received it: image handle, system table and
// the shell's protocols. Filled once by efi_main before anything else runs.
#pragma once

#include <efi.h>

struct Firmware {
    EFI_HANDLE image;
    EFI_SYSTEM_TABLE* system;
    EFI_SHELL_PROTOCOL* shell;
};

extern Firmware firmware;

// gnu-efi's GUID objects live in libefi, which we do not link.
extern const EFI_GUID kShellProtocolGuid;
extern const EFI_GUID kShellParametersProtocolGuid;
extern const EFI_GUID kPciIoProtocolGuid;

// gnu-efi spells UTF-16 text CHAR16 (an unsigned short); C++ literals are
// char16_t, a distinct type of the same layout.
inline const CHAR16* efiText(const char16_t* text) {
    return reinterpret_cast<const CHAR16*>(text);
}

inline EFI_BOOT_SERVICES* bootServices() {
    return firmware.system->BootServices;
}
