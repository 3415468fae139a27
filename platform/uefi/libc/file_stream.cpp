// fopen and friends over shell files. Streams are unbuffered; the firmware's
// file layer does its own caching.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/uefi/libc/stream.h"

namespace {

struct OpenMode {
    uefilibc::ShellOpenMode shellMode;
    bool readable;
    bool writable;
    bool append;
};

bool parseMode(const char* text, OpenMode* mode) {
    bool update = strchr(text, '+') != nullptr;
    switch (text[0]) {
        case 'r':
            *mode = {update ? uefilibc::SHELL_OPEN_READ_WRITE : uefilibc::SHELL_OPEN_READ, true,
                     update, false};
            return true;
        case 'w':
            *mode = {uefilibc::SHELL_OPEN_CREATE_EMPTY, update, true, false};
            return true;
        case 'a':
            *mode = {uefilibc::SHELL_OPEN_CREATE, update, true, true};
            return true;
        default:
            return false;
    }
}

bool isFileStream(FILE* stream) {
    return stream != nullptr && !stream->console;
}

size_t consoleOrFileWrite(FILE* stream, const void* data, size_t size) {
    if (stream->console) {
        uefilibc::consoleWrite(static_cast<const char*>(data), size);
        if (stream == stdout && uefilibc::standardOutputTap != nullptr)
            uefilibc::standardOutputTap(static_cast<const char*>(data), size);
        return size;
    }
    if (stream->append) {
        uint64_t end = 0;
        if (uefilibc::shellGetSize(stream->file, &end) != 0 ||
            uefilibc::shellSetPosition(stream->file, end) != 0)
            return 0;
    }
    size_t written = size;
    int error = uefilibc::shellWrite(stream->file, data, &written);
    if (error != 0)
        errno = error;
    return written;
}

size_t readConsole(void* buffer, size_t size, size_t count, FILE* stream) {
    size_t total = size * count;
    size_t got = 0;
    while (got < total) {
        size_t chunk = uefilibc::consoleRead(static_cast<char*>(buffer) + got, total - got);
        if (chunk == 0) {
            stream->endOfFile = true;
            break;
        }
        got += chunk;
    }
    return got / size;
}

}  // namespace

namespace uefilibc {

size_t streamWrite(FILE* stream, const void* data, size_t size) {
    if (!stream->writable) {
        stream->error = true;
        errno = EBADF;
        return 0;
    }
    size_t written = size == 0 ? 0 : consoleOrFileWrite(stream, data, size);
    if (written != size)
        stream->error = true;
    return written;
}

}  // namespace uefilibc

extern "C" {

FILE* fopen(const char* name, const char* modeText) {
    OpenMode mode;
    if (!parseMode(modeText, &mode)) {
        errno = EINVAL;
        return nullptr;
    }
    uefilibc::ShellFile file;
    int error = uefilibc::shellOpen(name, mode.shellMode, &file);
    if (error == 0 && mode.readable && !mode.writable && uefilibc::shellIsDirectory(file)) {
        uefilibc::shellClose(file);
        error = EISDIR;
    }
    if (error != 0) {
        errno = error;
        return nullptr;
    }
    FILE* stream = static_cast<FILE*>(malloc(sizeof(FILE)));
    if (stream == nullptr) {
        uefilibc::shellClose(file);
        errno = ENOMEM;
        return nullptr;
    }
    *stream = {false, mode.readable, mode.writable, mode.append, false, false, file};
    return stream;
}

int fclose(FILE* stream) {
    if (!isFileStream(stream))
        return EOF;
    int error = uefilibc::shellClose(stream->file);
    free(stream);
    if (error == 0)
        return 0;
    errno = error;
    return EOF;
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
    if (size == 0 || count == 0 || stream == nullptr)
        return 0;
    if (stream->console && stream->readable)
        return readConsole(buffer, size, count, stream);
    if (stream->console || !stream->readable) {
        stream->error = true;
        return 0;
    }
    size_t total = size * count;
    size_t got = 0;
    // The shell may hand out less than asked; only an empty read is the end.
    while (got < total) {
        size_t chunk = total - got;
        int error = uefilibc::shellRead(stream->file, static_cast<char*>(buffer) + got, &chunk);
        if (error != 0) {
            errno = error;
            stream->error = true;
            break;
        }
        if (chunk == 0) {
            stream->endOfFile = true;
            break;
        }
        got += chunk;
    }
    return got / size;
}

size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) {
    if (size == 0 || count == 0)
        return 0;
    return uefilibc::streamWrite(stream, buffer, size * count) / size;
}

int fseek(FILE* stream, long offset, int whence) {
    if (!isFileStream(stream))
        return -1;
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        uefilibc::shellGetPosition(stream->file, &base);
    else if (whence == SEEK_END)
        uefilibc::shellGetSize(stream->file, &base);
    int64_t target = static_cast<int64_t>(base) + offset;
    if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || target < 0) {
        errno = EINVAL;
        return -1;
    }
    int error = uefilibc::shellSetPosition(stream->file, static_cast<uint64_t>(target));
    if (error != 0) {
        errno = error;
        return -1;
    }
    stream->endOfFile = false;
    return 0;
}

long ftell(FILE* stream) {
    uint64_t position = 0;
    if (!isFileStream(stream) || uefilibc::shellGetPosition(stream->file, &position) != 0)
        return -1;
    return static_cast<long>(position);
}

void rewind(FILE* stream) {
    fseek(stream, 0, SEEK_SET);
    clearerr(stream);
}

int ferror(FILE* stream) {
    return stream->error ? 1 : 0;
}

int feof(FILE* stream) {
    return stream->endOfFile ? 1 : 0;
}

void clearerr(FILE* stream) {
    stream->error = false;
    stream->endOfFile = false;
}

int fgetc(FILE* stream) {
    unsigned char byte;
    return fread(&byte, 1, 1, stream) == 1 ? byte : EOF;
}

int getc(FILE* stream) {
    return fgetc(stream);
}

char* fgets(char* buffer, int size, FILE* stream) {
    int length = 0;
    while (length + 1 < size) {
        int character = fgetc(stream);
        if (character == EOF)
            break;
        buffer[length++] = static_cast<char>(character);
        if (character == '\n')
            break;
    }
    if (length == 0 || stream->error)
        return nullptr;
    buffer[length] = '\0';
    return buffer;
}

}  // extern "C"
