// The console tap on a C library we do not own: standard output is replaced,
// once, by a stream of our own that passes every write on to the original
// stream at once (so captures and pipes see the same bytes, in order) and
// then to the tap. Shared by the simulated board and the Linux backend.
#include <stdio.h>

#include "platform/platform.h"

namespace {

FILE* originalStdout;
PlatformConsoleTap currentTap;

ssize_t passOn(void*, const char* text, size_t size) {
    size_t written = fwrite(text, 1, size, originalStdout);
    fflush(originalStdout);
    if (currentTap != nullptr)
        currentTap(text, written);
    return static_cast<ssize_t>(written);
}

bool installTappedStdout() {
    cookie_io_functions_t functions = {nullptr, passOn, nullptr, nullptr};
    fflush(stdout);
    FILE* tapped = fopencookie(nullptr, "w", functions);
    if (tapped == nullptr)
        return false;
    setvbuf(tapped, nullptr, _IONBF, 0);
    originalStdout = stdout;
    stdout = tapped;
    return true;
}

}  // namespace

void platformSetConsoleTap(PlatformConsoleTap tap) {
    if (originalStdout == nullptr && tap != nullptr && !installTappedStdout())
        return;
    currentTap = tap;
}
