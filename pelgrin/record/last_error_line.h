// The run's last "Error!" line, taken from the console as it is printed, so
// that the record tells a line lead why a unit failed without any stage
// having to report its message twice.
#pragma once

#include <stddef.h>

// Fed with everything the program prints (the platform's console tap).
void noteConsoleText(const char* text, size_t size);

// Forgets what an earlier run printed.
void forgetConsoleText();

// The last line that began with "Error!" (without its line break; cut at 160
// bytes), or null. A message printed without a line break counts once the
// run ends.
const char* lastErrorLine();
