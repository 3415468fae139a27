// What a FILE is in this C library: the console, or one open shell file.
#pragma once

#include <stdio.h>

#include "platform/uefi/libc/shell_file.h"

struct UefiStream {
    bool console;
    bool readable;
    bool writable;
    bool append;  // every write lands at the end, wherever reads left off
    bool error;
    bool endOfFile;
    uefilibc::ShellFile file;
};

namespace uefilibc {

// Writes `size` bytes of `text` to the console, with every "\n" as "\r\n".
void consoleWrite(const char* text, size_t size);

// Called after every write to standard output, when set (the platform's
// console tap).
extern void (*standardOutputTap)(const char* text, size_t size);

// Reads at least one byte from the keyboard, waiting for a key, and at most
// `size`; 0 only when the firmware has no console input.
size_t consoleRead(void* buffer, size_t size);

// Writes bytes to a stream; returns how many went out and sets the error
// indicator when not all did.
size_t streamWrite(FILE* stream, const void* data, size_t size);

}  // namespace uefilibc
