// Standard input is the firmware console's keyboard (a barcode scanner types
// like one). Keys arrive one at a time and unechoed; a key with a character
// becomes its UTF-8 bytes, Esc becomes 0x1B, and keys with neither (arrows,
// function keys) are passed over. There is no end of input: a read waits.
#include <stdint.h>
#include <unistd.h>

#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/stream.h"

namespace {

const unsigned char ESCAPE_BYTE = 0x1B;

struct PendingBytes {
    unsigned char bytes[4];
    size_t count;
    size_t next;
};

PendingBytes pending;

bool waitForKey(EFI_INPUT_KEY* key) {
    SIMPLE_INPUT_INTERFACE* input = firmware.system != nullptr ? firmware.system->ConIn : nullptr;
    if (input == nullptr)
        return false;
    for (;;) {
        UINTN index;
        if (bootServices()->WaitForEvent(1, &input->WaitForKey, &index) != EFI_SUCCESS)
            return false;
        if (input->ReadKeyStroke(input, key) == EFI_SUCCESS)
            return true;
    }
}

void encodeKey(const EFI_INPUT_KEY& key) {
    uint32_t unit = key.UnicodeChar;
    pending.next = 0;
    pending.count = 0;
    if (unit == 0) {
        if (key.ScanCode == SCAN_ESC)
            pending.bytes[pending.count++] = ESCAPE_BYTE;
    } else if (unit < 0x80) {
        pending.bytes[pending.count++] = static_cast<unsigned char>(unit);
    } else if (unit < 0x800) {
        pending.bytes[pending.count++] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        pending.bytes[pending.count++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    } else {
        pending.bytes[pending.count++] = static_cast<unsigned char>(0xE0 | (unit >> 12));
        pending.bytes[pending.count++] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        pending.bytes[pending.count++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    }
}

}  // namespace

namespace uefilibc {

size_t consoleRead(void* buffer, size_t size) {
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    size_t got = 0;
    while (got < size) {
        if (pending.next == pending.count) {
            if (got > 0)
                break;  // what is typed so far; the next key may be long in coming
            EFI_INPUT_KEY key;
            if (!waitForKey(&key))
                break;
            encodeKey(key);
            continue;
        }
        bytes[got++] = pending.bytes[pending.next++];
    }
    return got;
}

}  // namespace uefilibc

extern "C" {

// The firmware console echoes nothing by itself: to a program asking whether
// its input comes from a terminal that does, the answer is no.
int isatty(int) {
    return 0;
}

int getchar(void) {
    return fgetc(stdin);
}

}  // extern "C"
