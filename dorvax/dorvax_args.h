// The raw request tool's command line: request bytes as two hexadecimal
// digits each, then an optional delay keyword and its value.
#pragma once

#include <stdint.h>

#define DORVAX_REQUEST_MAX 64
#define DORVAX_DEFAULT_DELAY_MS 15

bool isDelayKeyword(const char* word);

// The delay value: hexadecimal, an optional "0x" skipped, any other
// character counting as digit 0, the low 16 bits kept.
uint16_t parseDelayValue(const char* text);

// Scans every word but the last for delay keywords, sets `delayMs` from the
// last one found, and returns the number of option words (two per keyword).
int scanDelayOptions(int argc, char** argv, uint16_t* delayMs);

// Stores the first two hexadecimal digits of each word as one byte; false at
// the first word whose first two characters are not both digits.
bool readRequestBytes(char** words, int count, uint8_t* request);
