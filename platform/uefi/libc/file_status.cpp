// stat, unlink and remove by name in the shell's current directory.
#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/uefi/libc/shell_file.h"

extern "C" {

int stat(const char* name, struct stat* status) {
    uefilibc::ShellFile file;
    int error = uefilibc::shellOpen(name, uefilibc::SHELL_OPEN_READ, &file);
    uint64_t size = 0;
    if (error == 0) {
        error = uefilibc::shellGetSize(file, &size);
        status->st_mode = uefilibc::shellIsDirectory(file) ? S_IFDIR : S_IFREG;
        uefilibc::shellClose(file);
    }
    if (error != 0) {
        errno = error;
        return -1;
    }
    status->st_size = static_cast<off_t>(size);
    status->st_mtime = 0;
    return 0;
}

int unlink(const char* name) {
    int error = uefilibc::shellDelete(name);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

int remove(const char* name) {
    return unlink(name);
}

}  // extern "C"
