#pragma once

#define isnan(value) __builtin_isnan(value)
#define isinf(value) __builtin_isinf(value)
#define HUGE_VAL __builtin_huge_val()
