// The front end's fixed texts and the MAC address text shared with the
// description write-back.
#pragma once

void printBanner();
void printUsage();

// 12 MAC characters -> "xx:xx:xx:xx:xx:xx" in one shared static area, which
// the next call overwrites. Only ever called on a value already checked to be
// 12 hexadecimal digits.
const char* formatMacText(const char* mac);

// True when `value` is exactly 12 hexadecimal digits.
bool isMacText(const char* value);
