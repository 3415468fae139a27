// The descriptor calls zlib's gz interface uses, over shell files.
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#include "platform/uefi/libc/shell_file.h"

namespace {

constexpr int kFirstDescriptor = 3;  // 0-2 are the console's by convention
constexpr int kDescriptorCount = 8;

struct Descriptor {
    bool open;
    bool append;
    uefilibc::ShellFile file;
};

Descriptor descriptors[kDescriptorCount] = {};

Descriptor* lookUp(int descriptor) {
    int index = descriptor - kFirstDescriptor;
    if (index < 0 || index >= kDescriptorCount || !descriptors[index].open) {
        errno = EBADF;
        return nullptr;
    }
    return &descriptors[index];
}

int freeSlot() {
    for (int index = 0; index < kDescriptorCount; ++index) {
        if (!descriptors[index].open)
            return index;
    }
    return -1;
}

uefilibc::ShellOpenMode shellModeFor(int flags) {
    if ((flags & O_CREAT) != 0)
        return (flags & O_TRUNC) != 0 ? uefilibc::SHELL_OPEN_CREATE_EMPTY
                                      : uefilibc::SHELL_OPEN_CREATE;
    return (flags & O_ACCMODE) == O_RDONLY ? uefilibc::SHELL_OPEN_READ
                                           : uefilibc::SHELL_OPEN_READ_WRITE;
}

}  // namespace

extern "C" {

int open(const char* name, int flags, ...) {
    int index = freeSlot();
    if (index < 0) {
        errno = EMFILE;
        return -1;
    }
    uefilibc::ShellFile file;
    int error = uefilibc::shellOpen(name, shellModeFor(flags), &file);
    if (error != 0) {
        errno = error;
        return -1;
    }
    descriptors[index] = {true, (flags & O_APPEND) != 0, file};
    return index + kFirstDescriptor;
}

ssize_t read(int descriptor, void* buffer, size_t size) {
    Descriptor* entry = lookUp(descriptor);
    if (entry == nullptr)
        return -1;
    int error = uefilibc::shellRead(entry->file, buffer, &size);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return static_cast<ssize_t>(size);
}

ssize_t write(int descriptor, const void* buffer, size_t size) {
    Descriptor* entry = lookUp(descriptor);
    if (entry == nullptr)
        return -1;
    uint64_t end;
    if (entry->append && uefilibc::shellGetSize(entry->file, &end) == 0)
        uefilibc::shellSetPosition(entry->file, end);
    int error = uefilibc::shellWrite(entry->file, buffer, &size);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return static_cast<ssize_t>(size);
}

off_t lseek(int descriptor, off_t offset, int whence) {
    Descriptor* entry = lookUp(descriptor);
    if (entry == nullptr)
        return -1;
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        uefilibc::shellGetPosition(entry->file, &base);
    else if (whence == SEEK_END)
        uefilibc::shellGetSize(entry->file, &base);
    off_t target = static_cast<off_t>(base) + offset;
    if (target < 0 || (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)) {
        errno = EINVAL;
        return -1;
    }
    int error = uefilibc::shellSetPosition(entry->file, static_cast<uint64_t>(target));
    if (error != 0) {
        errno = error;
        return -1;
    }
    return target;
}

int close(int descriptor) {
    Descriptor* entry = lookUp(descriptor);
    if (entry == nullptr)
        return -1;
    uefilibc::shellClose(entry->file);
    entry->open = false;
    return 0;
}

}  // extern "C"
