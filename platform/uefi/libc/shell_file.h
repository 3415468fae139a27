// Files through the UEFI shell protocol, named relative to the shell's
// current directory. Every call returns 0 or an errno value.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace uefilibc {

typedef void* ShellFile;

enum ShellOpenMode {
    SHELL_OPEN_READ,
    SHELL_OPEN_READ_WRITE,
    SHELL_OPEN_CREATE,        // read and write, created when missing
    SHELL_OPEN_CREATE_EMPTY,  // as CREATE, previous contents discarded
};

// Every mode but READ refuses a directory (EISDIR) and a file with the
// read-only attribute (EACCES); a write-protected medium gives EROFS.
int shellOpen(const char* name, ShellOpenMode mode, ShellFile* file);
int shellRead(ShellFile file, void* buffer, size_t* size);
int shellWrite(ShellFile file, const void* buffer, size_t* size);
int shellSetPosition(ShellFile file, uint64_t position);
int shellGetPosition(ShellFile file, uint64_t* position);
int shellGetSize(ShellFile file, uint64_t* size);
bool shellIsDirectory(ShellFile file);
// Writes what the file system still holds for the file to the medium.
int shellFlush(ShellFile file);
// Flushes and closes: a volume that fills up, or a medium pulled out, may
// only show at this point, so the first failure is returned.
int shellClose(ShellFile file);
int shellDelete(const char* name);

}  // namespace uefilibc
