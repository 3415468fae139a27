// MAC address values as the operator types them (12 hexadecimal digits) and
// as the console and the description show them.
#pragma once

// True when `value` is exactly 12 hexadecimal digits.
bool isMacText(const char* value);

// 12 MAC characters -> "xx:xx:xx:xx:xx:xx" in one shared static area, which
// the next call overwrites. Only ever called on a value already checked to be
// 12 hexadecimal digits.
const char* formatMacText(const char* mac);
