// Opening shell files for writing, against a volume held in memory behind the
// shell's file calls: what each open leaves in a file that was already there.
#include "platform/uefi/libc/shell_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/uefi/firmware.h"

namespace {

struct FakeFile {
    std::string bytes;
    uint64_t attribute;
};

struct FakeVolume {
    std::map<std::u16string, FakeFile> files;
    bool writeProtected;
    bool driverRefusesReadOnly;  // FAT does; a file system driver need not
    bool deletes;
};

struct FakeHandle {
    FakeFile* file;
    uint64_t position;
    bool writable;
};

FakeVolume volume;
// What the firmware answers to a flush and a close (a full volume, a stick
// pulled out); EFI_SUCCESS unless a case says otherwise.
EFI_STATUS flushAnswer;
EFI_STATUS closeAnswer;

FakeHandle* handleOf(SHELL_FILE_HANDLE handle) {
    return static_cast<FakeHandle*>(handle);
}

EFI_STATUS EFIAPI fakeOpen(CONST CHAR16* name, SHELL_FILE_HANDLE* handle, UINT64 mode) {
    std::u16string key(reinterpret_cast<const char16_t*>(name));
    bool write = (mode & EFI_FILE_MODE_WRITE) != 0;
    if (write && volume.writeProtected)
        return EFI_WRITE_PROTECTED;
    auto found = volume.files.find(key);
    if (found == volume.files.end()) {
        if ((mode & EFI_FILE_MODE_CREATE) == 0)
            return EFI_NOT_FOUND;
        found = volume.files.emplace(key, FakeFile{"", 0}).first;
    } else if (write && volume.driverRefusesReadOnly &&
               (found->second.attribute & EFI_FILE_READ_ONLY) != 0) {
        return EFI_ACCESS_DENIED;
    }
    *handle = new FakeHandle{&found->second, 0, write};
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI fakeDelete(CONST CHAR16* name) {
    if (!volume.deletes)
        return EFI_ACCESS_DENIED;
    volume.files.erase(std::u16string(reinterpret_cast<const char16_t*>(name)));
    return EFI_SUCCESS;
}

EFI_FILE_INFO* EFIAPI fakeGetInfo(SHELL_FILE_HANDLE handle) {
    // The record with an empty name: FileName[1] holds its terminator.
    // (gnu-efi's SIZE_OF_EFI_FILE_INFO reaches through a null pointer.)
    const size_t size = sizeof(EFI_FILE_INFO);
    auto* info = static_cast<EFI_FILE_INFO*>(calloc(1, size));
    info->Size = size;
    info->FileSize = handleOf(handle)->file->bytes.size();
    info->Attribute = handleOf(handle)->file->attribute;
    return info;
}

EFI_STATUS EFIAPI fakeSetInfo(SHELL_FILE_HANDLE handle, CONST EFI_FILE_INFO* info) {
    if (!handleOf(handle)->writable)
        return EFI_ACCESS_DENIED;
    handleOf(handle)->file->bytes.resize(info->FileSize);
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI fakeWrite(SHELL_FILE_HANDLE handle, UINTN* size, VOID* buffer) {
    FakeHandle* open = handleOf(handle);
    if (!open->writable)
        return EFI_ACCESS_DENIED;
    open->file->bytes.replace(open->position, *size, static_cast<const char*>(buffer), *size);
    open->position += *size;
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI fakeGetSize(SHELL_FILE_HANDLE handle, UINT64* size) {
    *size = handleOf(handle)->file->bytes.size();
    return EFI_SUCCESS;
}

EFI_STATUS EFIAPI fakeClose(SHELL_FILE_HANDLE handle) {
    delete handleOf(handle);
    return closeAnswer;
}

EFI_STATUS EFIAPI fakeFlush(SHELL_FILE_HANDLE) {
    return flushAnswer;
}

EFI_STATUS EFIAPI fakeFreePool(VOID* buffer) {
    free(buffer);
    return EFI_SUCCESS;
}

class ShellFileOpen : public testing::Test {
  protected:
    void SetUp() override {
        shell.OpenFileByName = fakeOpen;
        shell.DeleteFileByName = fakeDelete;
        shell.GetFileInfo = fakeGetInfo;
        shell.SetFileInfo = fakeSetInfo;
        shell.WriteFile = fakeWrite;
        shell.GetFileSize = fakeGetSize;
        shell.CloseFile = fakeClose;
        shell.FlushFile = fakeFlush;
        flushAnswer = EFI_SUCCESS;
        closeAnswer = EFI_SUCCESS;
        bootServices.FreePool = fakeFreePool;
        system.BootServices = &bootServices;
        firmware = {nullptr, &system, &shell};
    }
    void TearDown() override { firmware = {nullptr, nullptr, nullptr}; }

    EFI_SHELL_PROTOCOL shell{};
    EFI_BOOT_SERVICES bootServices{};
    EFI_SYSTEM_TABLE system{};
};

const uint64_t READ_ONLY = EFI_FILE_READ_ONLY;
const uint64_t DIRECTORY = EFI_FILE_DIRECTORY;

TEST_F(ShellFileOpen, WritingStartsFromWhatTheModeSaysOrIsRefused) {
    struct Case {
        const char* what;
        bool exists;
        uint64_t attribute;
        FakeVolume volume;
        uefilibc::ShellOpenMode mode;
        int error;
        const char* after;  // the file's bytes once "new" is written
    };
    const char* stale = "stale and longer";
    const Case cases[] = {
        {"missing file",
         false,
         0,
         {{}, false, true, true},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         0,
         "new"},
        {"stale file",
         true,
         0,
         {{}, false, true, true},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         0,
         "new"},
        {"stale file that cannot be deleted",
         true,
         0,
         {{}, false, true, false},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         0,
         "new"},
        {"kept by CREATE",
         true,
         0,
         {{}, false, true, true},
         uefilibc::SHELL_OPEN_CREATE,
         0,
         "newle and longer"},
        {"read-only, FAT refuses",
         true,
         READ_ONLY,
         {{}, false, true, false},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         EACCES,
         stale},
        {"read-only, driver lets it through",
         true,
         READ_ONLY,
         {{}, false, false, false},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         EACCES,
         stale},
        {"read-only for appending",
         true,
         READ_ONLY,
         {{}, false, false, false},
         uefilibc::SHELL_OPEN_CREATE,
         EACCES,
         stale},
        {"read-only for update",
         true,
         READ_ONLY,
         {{}, false, false, false},
         uefilibc::SHELL_OPEN_READ_WRITE,
         EACCES,
         stale},
        {"write-protected medium",
         true,
         0,
         {{}, true, true, false},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         EROFS,
         stale},
        {"directory",
         true,
         DIRECTORY,
         {{}, false, false, false},
         uefilibc::SHELL_OPEN_CREATE_EMPTY,
         EISDIR,
         stale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        volume = c.volume;
        if (c.exists)
            volume.files[u"SKU.BIN"] = {stale, c.attribute};
        uefilibc::ShellFile file = nullptr;
        ASSERT_EQ(uefilibc::shellOpen("SKU.BIN", c.mode, &file), c.error);
        if (c.error == 0) {
            size_t size = 3;
            EXPECT_EQ(uefilibc::shellWrite(file, "new", &size), 0);
            uefilibc::shellClose(file);
        }
        EXPECT_EQ(volume.files.at(u"SKU.BIN").bytes, c.after);
    }
}

TEST_F(ShellFileOpen, ClosingReportsWhatTheFirmwareRefused) {
    struct Case {
        const char* what;
        EFI_STATUS flush;
        EFI_STATUS close;
        int flushError;  // shellFlush alone
        int closeError;  // shellClose: the flush's refusal first
    };
    const Case cases[] = {
        {"both done", EFI_SUCCESS, EFI_SUCCESS, 0, 0},
        {"volume full at the flush", EFI_VOLUME_FULL, EFI_SUCCESS, ENOSPC, ENOSPC},
        {"medium gone at the close", EFI_SUCCESS, EFI_DEVICE_ERROR, 0, EIO},
        {"both refused", EFI_WRITE_PROTECTED, EFI_DEVICE_ERROR, EROFS, EROFS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        volume = {{}, false, true, true};
        uefilibc::ShellFile file = nullptr;
        ASSERT_EQ(uefilibc::shellOpen("units.log", uefilibc::SHELL_OPEN_CREATE, &file), 0);
        flushAnswer = c.flush;
        closeAnswer = c.close;
        EXPECT_EQ(uefilibc::shellFlush(file), c.flushError);
        EXPECT_EQ(uefilibc::shellClose(file), c.closeError);
    }
}

}  // namespace
