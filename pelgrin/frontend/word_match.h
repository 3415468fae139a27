// How close an operator's word is to a keyword, for the "did you mean" hint.
#pragma once

#include <stddef.h>

// True when `a` (its first `length` bytes) and `keyword` are equal ignoring
// ASCII case.
bool equalsIgnoringCase(const char* a, size_t length, const char* keyword);

// True when `word` and `keyword` differ, ignoring ASCII case, by exactly one
// typo: a letter wrong, missing or extra, or two neighbours swapped.
bool withinOneTypo(const char* word, const char* keyword);
