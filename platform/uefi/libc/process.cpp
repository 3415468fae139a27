// Ending the program from anywhere: the firmware's Exit unwinds to the shell.
#include <assert.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/uefi/firmware.h"
#include "platform/uefi/libc/exit_status.h"

extern "C" {

void exit(int status) {
    bootServices()->Exit(firmware.image, uefilibc::exitStatusFor(status), 0, nullptr);
    for (;;) {
    }
}

void abort(void) {
    bootServices()->Exit(firmware.image, EFI_ABORTED, 0, nullptr);
    for (;;) {
    }
}

void velskuAssertFailed(const char* expression, const char* file, int line) {
    printf("Assertion failed: %s, %s:%d\n", expression, file, line);
    abort();
}

}  // extern "C"
