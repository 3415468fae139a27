#include "platform/uefi/libc/shell_file.h"

#include <errno.h>
#include <stdlib.h>

#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/utf.h"

namespace uefilibc {
namespace {

int errnoFromStatus(EFI_STATUS status) {
    switch (status) {
        case EFI_SUCCESS:
            return 0;
        case EFI_NOT_FOUND:
            return ENOENT;
        case EFI_ACCESS_DENIED:
        case EFI_SECURITY_VIOLATION:
            return EACCES;
        case EFI_WRITE_PROTECTED:
            return EROFS;
        case EFI_VOLUME_FULL:
            return ENOSPC;
        case EFI_OUT_OF_RESOURCES:
            return ENOMEM;
        case EFI_INVALID_PARAMETER:
            return EINVAL;
        case EFI_UNSUPPORTED:
            return ENOSYS;
        default:
            return EIO;
    }
}

// The name in UTF-16, allocated; null when there is no shell or no memory.
CHAR16* wideName(const char* name) {
    size_t units = utf8ToUtf16(name, nullptr, 0) + 1;
    uint16_t* wide = static_cast<uint16_t*>(malloc(units * sizeof(uint16_t)));
    if (wide != nullptr)
        utf8ToUtf16(name, wide, units);
    return reinterpret_cast<CHAR16*>(wide);
}

EFI_STATUS openWide(const CHAR16* name, uint64_t mode, ShellFile* file) {
    return firmware.shell->OpenFileByName(name, file, mode);
}

constexpr uint64_t kReadWrite = EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE;

}  // namespace

int shellOpen(const char* name, ShellOpenMode mode, ShellFile* file) {
    if (firmware.shell == nullptr)
        return ENOSYS;
    CHAR16* wide = wideName(name);
    if (wide == nullptr)
        return ENOMEM;
    EFI_STATUS status;
    switch (mode) {
        case SHELL_OPEN_READ:
            status = openWide(wide, EFI_FILE_MODE_READ, file);
            break;
        case SHELL_OPEN_READ_WRITE:
            status = openWide(wide, kReadWrite, file);
            break;
        case SHELL_OPEN_CREATE_EMPTY:
            // Opening an existing file with CREATE keeps its contents.
            firmware.shell->DeleteFileByName(wide);
            [[fallthrough]];
        default:
            status = openWide(wide, kReadWrite | EFI_FILE_MODE_CREATE, file);
            break;
    }
    free(wide);
    return errnoFromStatus(status);
}

int shellRead(ShellFile file, void* buffer, size_t* size) {
    UINTN count = *size;
    EFI_STATUS status = firmware.shell->ReadFile(file, &count, buffer);
    *size = EFI_ERROR(status) ? 0 : count;
    return errnoFromStatus(status);
}

int shellWrite(ShellFile file, const void* buffer, size_t* size) {
    UINTN count = *size;
    EFI_STATUS status = firmware.shell->WriteFile(file, &count, const_cast<void*>(buffer));
    *size = EFI_ERROR(status) ? 0 : count;
    return errnoFromStatus(status);
}

int shellSetPosition(ShellFile file, uint64_t position) {
    return errnoFromStatus(firmware.shell->SetFilePosition(file, position));
}

int shellGetPosition(ShellFile file, uint64_t* position) {
    return errnoFromStatus(firmware.shell->GetFilePosition(file, position));
}

int shellGetSize(ShellFile file, uint64_t* size) {
    return errnoFromStatus(firmware.shell->GetFileSize(file, size));
}

bool shellIsDirectory(ShellFile file) {
    EFI_FILE_INFO* info = firmware.shell->GetFileInfo(file);
    if (info == nullptr)
        return false;
    bool directory = (info->Attribute & EFI_FILE_DIRECTORY) != 0;
    bootServices()->FreePool(info);
    return directory;
}

void shellClose(ShellFile file) {
    firmware.shell->CloseFile(file);
}

int shellDelete(const char* name) {
    if (firmware.shell == nullptr)
        return ENOSYS;
    CHAR16* wide = wideName(name);
    if (wide == nullptr)
        return ENOMEM;
    EFI_STATUS status = firmware.shell->DeleteFileByName(wide);
    free(wide);
    return errnoFromStatus(status);
}

}  // namespace uefilibc
