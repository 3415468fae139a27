// The one check every operator value passes, typed on the command line or
// scanned at a prompt: a value refused here never reaches a file.
#pragma once

// 0, or 3 after one "Error! ..." line naming `keyword`.
int checkGivenValue(const char* keyword, const char* value);
