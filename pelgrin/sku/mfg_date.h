#pragma once

// The last value the 3-byte FRU manufacturing date can hold:
// 2027-11-24 20:15 UTC.
#define MFG_DATE_LIMIT 0xFFFFFF

// Minutes from 1996-01-01 00:00 to the platform clock; 0 when the clock
// cannot be read. A clock before 1996 gives its own minutes since 1970.
int minutesSince1996();
