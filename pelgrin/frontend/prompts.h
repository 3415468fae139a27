// ASK=: the station's barcode scanner types each value the command line did
// not give, ending it with Enter, at a "Scan <keyword>: " prompt.
#pragma once

#include <stddef.h>

#include "pelgrin/run/sku_context.h"
#include "pelgrin/run/value_keywords.h"

constexpr size_t VALUE_KEYWORD_COUNT = sizeof VALUE_KEYWORDS / sizeof VALUE_KEYWORDS[0];
constexpr size_t ANSWER_CAPACITY = 256;  // with its NUL; a longer answer is refused
constexpr int ANSWER_ATTEMPTS = 3;

// The answers live as long as the run: the value record points into them.
struct PromptAnswers {
    char text[VALUE_KEYWORD_COUNT][ANSWER_CAPACITY];
    bool skipLineFeed;  // the last answer ended with CR: a LF right after it is the same Enter
    int refused;        // answers refused and asked again (or given up on)
};

// Prompts, in the list's order, for each value keyword named in `askList`
// (comma-separated) that has no value yet, reading standard input. Every
// answer passes the command line's check at once; a refused one is asked
// again, ANSWER_ATTEMPTS times in all. Backspace (or DEL) takes back a
// character, Enter accepts, Esc or the end of the input gives up.
// 0, setting *anyAnswered when a value was taken; 3 after an unknown keyword
// in the list (nothing asked) or the last refused attempt; 6 on Esc or the end
// of the input.
int askForValues(const char* askList, SkuContext* context, PromptAnswers* answers,
                 bool* anyAnswered);
