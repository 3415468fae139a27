// Program entry in the UEFI shell: record the firmware, fetch the argument
// words from the shell, and hand main's status back as the image's status.
#include <stdio.h>
#include <stdlib.h>

#include "platform/platform.h"
#include "platform/uefi/arguments.h"
#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/exit_status.h"

namespace {

template <typename Protocol>
Protocol* imageProtocol(EFI_HANDLE image, const EFI_GUID& guid) {
    void* interface = nullptr;
    EFI_STATUS status =
        bootServices()->OpenProtocol(image, const_cast<EFI_GUID*>(&guid), &interface, image,
                                     nullptr, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
    return EFI_ERROR(status) ? nullptr : static_cast<Protocol*>(interface);
}

EFI_SHELL_PROTOCOL* locateShell() {
    void* interface = nullptr;
    EFI_STATUS status = bootServices()->LocateProtocol(const_cast<EFI_GUID*>(&kShellProtocolGuid),
                                                       nullptr, &interface);
    return EFI_ERROR(status) ? nullptr : static_cast<EFI_SHELL_PROTOCOL*>(interface);
}

}  // namespace

extern "C" EFI_STATUS EFIAPI efi_main(EFI_HANDLE image, EFI_SYSTEM_TABLE* system) {
    firmware.image = image;
    firmware.system = system;
    firmware.shell = locateShell();
    auto* parameters =
        imageProtocol<EFI_SHELL_PARAMETERS_PROTOCOL>(image, kShellParametersProtocolGuid);
    if (firmware.shell == nullptr || parameters == nullptr) {
        puts("This program runs in the UEFI shell.");
        return EFI_UNSUPPORTED;
    }
    int argc = static_cast<int>(parameters->Argc);
    char** argv = narrowArguments(reinterpret_cast<const uint16_t* const*>(parameters->Argv), argc);
    if (argv == nullptr)
        return EFI_OUT_OF_RESOURCES;
    int status = programMain(argc, argv);
    free(argv);
    return uefilibc::exitStatusFor(status);
}
