// The PCI functions as sysfs lists them. Their names are fixed-width
// hexadecimal domain:bus:device.function, so name order is bus order, the
// order in which firmware hands out its PCI I/O handles.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "platform/linux/linux_platform.h"

namespace {

struct FunctionList {
    bool scanned;
    int count;
    struct dirent** entries;
};

FunctionList functions = {false, 0, nullptr};

int isFunctionEntry(const struct dirent* entry) {
    return entry->d_name[0] != '.';
}

void scanFunctions() {
    if (functions.scanned)
        return;
    functions.scanned = true;
    int count = scandir(LINUX_PCI_DEVICES, &functions.entries, isFunctionEntry, alphasort);
    functions.count = count < 0 ? 0 : count;
}

}  // namespace

int linuxPciFunctionCount() {
    scanFunctions();
    return functions.count;
}

const char* linuxPciFunctionName(int index) {
    scanFunctions();
    return index >= 0 && index < functions.count ? functions.entries[index]->d_name : nullptr;
}

bool linuxReadPciFile(int index, const char* file, char* text, size_t size) {
    const char* name = linuxPciFunctionName(index);
    if (name == nullptr || size == 0)
        return false;
    char path[256];
    snprintf(path, sizeof path, "%s/%s/%s", LINUX_PCI_DEVICES, name, file);
    int descriptor = open(path, O_RDONLY);
    if (descriptor < 0)
        return false;
    ssize_t got = read(descriptor, text, size - 1);
    close(descriptor);
    if (got < 0)
        return false;
    text[got] = '\0';
    return true;
}
