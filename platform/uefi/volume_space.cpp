// Free space of a file's volume: the shell's file handles are the file
// system's EFI_FILE_PROTOCOL, whose GetInfo answers for the whole volume.
#include <stdlib.h>

#include "platform/platform.h"
#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/utf.h"

namespace {

const EFI_GUID kFileSystemInfoGuid = EFI_FILE_SYSTEM_INFO_ID;

// Room for the record and a volume label of any length FAT allows.
const UINTN kInfoBytes = sizeof(EFI_FILE_SYSTEM_INFO) + 256 * sizeof(CHAR16);

bool volumeFreeBytes(SHELL_FILE_HANDLE handle, uint64_t* freeBytes) {
    EFI_FILE_PROTOCOL* file = reinterpret_cast<EFI_FILE_PROTOCOL*>(handle);
    void* info = malloc(kInfoBytes);
    if (info == nullptr)
        return false;
    UINTN size = kInfoBytes;
    EFI_GUID guid = kFileSystemInfoGuid;
    bool answered = !EFI_ERROR(file->GetInfo(file, &guid, &size, info));
    if (answered)
        *freeBytes = static_cast<EFI_FILE_SYSTEM_INFO*>(info)->FreeSpace;
    free(info);
    return answered;
}

}  // namespace

bool platformVolumeFreeBytes(const char* path, uint64_t* freeBytes) {
    if (firmware.shell == nullptr)
        return false;
    size_t units = uefilibc::utf8ToUtf16(path, nullptr, 0) + 1;
    uint16_t* wide = static_cast<uint16_t*>(malloc(units * sizeof(uint16_t)));
    if (wide == nullptr)
        return false;
    uefilibc::utf8ToUtf16(path, wide, units);
    SHELL_FILE_HANDLE handle = nullptr;
    EFI_STATUS status = firmware.shell->OpenFileByName(reinterpret_cast<CHAR16*>(wide), &handle,
                                                       EFI_FILE_MODE_READ);
    free(wide);
    if (EFI_ERROR(status))
        return false;
    bool answered = volumeFreeBytes(handle, freeBytes);
    firmware.shell->CloseFile(handle);
    return answered;
}
