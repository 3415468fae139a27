// The run's last "Error!" line, taken from the console as it is printed, so
// that the record tells a line lead why a unit failed without any stage
// having to report its message twice.
#pragma once

#include <stddef.h>

// Fed with everything the program prints (the platform's console tap).
void noteConsoleText(const char* text, size_t size);

// Forgets what an earlier run printed.
void forgetConsoleText();

// The line that explains how a failed run ended: the last one that began
// with "Error!" or, when none did (a stage that words its failure otherwise),
// the last line that was not blank. Without its line break, cut at 160 bytes;
// null when nothing was printed. A message printed without a line break
// counts once the run ends.
const char* explainingLine();
