// The shell's UTF-16 argument words as narrow UTF-8 strings for main.
#pragma once

#include <stdint.h>

// Converts `count` words into one allocation holding the pointer array (with
// a null after the last) and the texts; null when memory runs out.
char** narrowArguments(const uint16_t* const* words, int count);
