#pragma once

// Refuses a FRU text that its type/length byte cannot carry: longer than 63
// bytes, or a single byte outside the 6-bit packed range 0x20-0x5F (as 8-bit
// ASCII its type/length byte would be 0xC1, the end-of-fields marker, and
// every reader would stop there). Prints one "Error! " line naming
// `subject` and returns `refusal`; 0 when the text fits.
int checkFruText(const char* text, const char* subject, int refusal);
