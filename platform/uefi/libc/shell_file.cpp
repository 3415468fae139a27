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

constexpr uint64_t kReadWrite = EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE;

uint64_t openModeFor(ShellOpenMode mode) {
    switch (mode) {
        case SHELL_OPEN_READ:
            return EFI_FILE_MODE_READ;
        case SHELL_OPEN_READ_WRITE:
            return kReadWrite;
        default:
            return kReadWrite | EFI_FILE_MODE_CREATE;
    }
}

// Not every file system driver refuses writes to a read-only file itself.
int writableError(const EFI_FILE_INFO* info) {
    if ((info->Attribute & EFI_FILE_DIRECTORY) != 0)
        return EISDIR;
    return (info->Attribute & EFI_FILE_READ_ONLY) != 0 ? EACCES : 0;
}

// Emptied in place rather than deleted and recreated: a file that cannot be
// deleted may still be writable, and must then not keep its old bytes.
int truncateToEmpty(ShellFile file, EFI_FILE_INFO* info) {
    if (info->FileSize == 0)
        return 0;
    info->FileSize = 0;
    int error = errnoFromStatus(firmware.shell->SetFileInfo(file, info));
    uint64_t size = 0;
    if (error == 0 && (shellGetSize(file, &size) != 0 || size != 0))
        error = EIO;
    return error;
}

int prepareForWriting(ShellFile file, ShellOpenMode mode) {
    EFI_FILE_INFO* info = firmware.shell->GetFileInfo(file);
    if (info == nullptr)
        return EIO;
    int error = writableError(info);
    if (error == 0 && mode == SHELL_OPEN_CREATE_EMPTY)
        error = truncateToEmpty(file, info);
    bootServices()->FreePool(info);
    return error;
}

}  // namespace

int shellOpen(const char* name, ShellOpenMode mode, ShellFile* file) {
    if (firmware.shell == nullptr)
        return ENOSYS;
    CHAR16* wide = wideName(name);
    if (wide == nullptr)
        return ENOMEM;
    ShellFile opened = nullptr;
    int error = errnoFromStatus(firmware.shell->OpenFileByName(wide, &opened, openModeFor(mode)));
    free(wide);
    if (error == 0 && mode != SHELL_OPEN_READ) {
        error = prepareForWriting(opened, mode);
        if (error != 0)
            firmware.shell->CloseFile(opened);
    }
    if (error == 0)
        *file = opened;
    return error;
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

int shellFlush(ShellFile file) {
    return errnoFromStatus(firmware.shell->FlushFile(file));
}

int shellClose(ShellFile file) {
    int flushed = shellFlush(file);
    int closed = errnoFromStatus(firmware.shell->CloseFile(file));
    return flushed != 0 ? flushed : closed;
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
