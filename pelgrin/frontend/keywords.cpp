#include "pelgrin/frontend/keywords.h"

#include <stdio.h>
#include <string.h>

#include "pelgrin/frontend/word_match.h"
#include "pelgrin/run/value_keywords.h"

namespace {

enum FlagKind { DISABLE_SHARED_MEMORY, VERIFY_AFTERWARDS, HELP, VERSION, WRITE_FRU_OVER_KCS };

struct FlagWord {
    const char* word;
    FlagKind kind;
    bool suggested;  // offered in "did you mean"; the spellings of help are not
};

// Marks the refusal of a word pair rather than of one word.
const char WRITEFRU_WITHOUT_SENDING[] = "WRITEFRU DSBSHM";

const FlagWord FLAG_WORDS[] = {
    {"DSBSHM", DISABLE_SHARED_MEMORY, true},
    {"VERIFY", VERIFY_AFTERWARDS, true},
    {"help", HELP, true},
    {"-h", HELP, false},
    {"--help", HELP, false},
    {"-?", HELP, false},
    {"/?", HELP, false},
    {"--version", VERSION, true},
    {"WRITEFRU", WRITE_FRU_OVER_KCS, true},
};

// Words that set an option of the run rather than a value for the board.
struct OptionKeyword {
    const char* keyword;
    const char* RunFlags::*field;
};

const OptionKeyword OPTION_KEYWORDS[] = {
    {"ASK", &RunFlags::askList},
    {"LOG", &RunFlags::logFile},
    {"SKUSHA256", &RunFlags::skuDigest},
    {"STICK", &RunFlags::stickId},
};

bool isSeparator(char c) {
    return c == '=' || c == ':';
}

// The keyword part of a word: everything before its first separator.
size_t nameLength(const char* word) {
    size_t length = 0;
    while (word[length] != '\0' && !isSeparator(word[length]))
        ++length;
    return length;
}

bool isExactly(const char* word, size_t length, const char* keyword) {
    return strlen(keyword) == length && strncmp(word, keyword, length) == 0;
}

const char* suggestionFor(const char* word) {
    size_t length = nameLength(word);
    // A keyword typed right but without its separator needs no hint at
    // itself; one typed in the wrong case does.
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        if (equalsIgnoringCase(word, length, row.keyword) && !isExactly(word, length, row.keyword))
            return row.keyword;
    }
    for (const OptionKeyword& option : OPTION_KEYWORDS) {
        if (equalsIgnoringCase(word, length, option.keyword) &&
            !isExactly(word, length, option.keyword))
            return option.keyword;
    }
    for (const FlagWord& flag : FLAG_WORDS) {
        if (flag.suggested &&
            (equalsIgnoringCase(word, strlen(word), flag.word) || withinOneTypo(word, flag.word)))
            return flag.word;
    }
    return nullptr;
}

bool takeValue(const char* word, SkuContext* context, RunFlags* flags) {
    size_t length = nameLength(word);
    if (word[length] == '\0')
        return false;  // a bare keyword, or no keyword at all
    for (const ValueKeyword& row : VALUE_KEYWORDS) {
        if (isExactly(word, length, row.keyword)) {
            context->*row.field = word + length + 1;
            flags->anyValueGiven = true;
            return true;
        }
    }
    for (const OptionKeyword& option : OPTION_KEYWORDS) {
        if (isExactly(word, length, option.keyword)) {
            flags->*option.field = word + length + 1;
            return true;
        }
    }
    return false;
}

const FlagWord* findFlag(const char* word) {
    for (const FlagWord& flag : FLAG_WORDS) {
        if (strcmp(word, flag.word) == 0)
            return &flag;
    }
    return nullptr;
}

// False when the scan ends at this word.
bool applyFlag(const FlagWord& flag, RunFlags* flags) {
    switch (flag.kind) {
        case DISABLE_SHARED_MEMORY:
            flags->writeToSharedMemory = false;
            return true;
        case VERIFY_AFTERWARDS:
            flags->verify = true;
            return true;
        case HELP:
            flags->helpRequested = true;
            return false;
        case VERSION:
            flags->versionRequested = true;
            return false;
        case WRITE_FRU_OVER_KCS:
            flags->writeFru = true;
            return true;
    }
    return false;
}

}  // namespace

void scanKeywords(int argc, char** argv, SkuContext* context, RunFlags* flags) {
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (takeValue(word, context, flags))
            continue;
        if (const FlagWord* flag = findFlag(word)) {
            if (applyFlag(*flag, flags))
                continue;
            return;
        }
        flags->refusedWord = word;
        flags->suggestion = suggestionFor(word);
        return;
    }
    // One says send nothing, the other how to send: whichever the operator
    // meant, the run would do something else.
    if (flags->writeFru && !flags->writeToSharedMemory)
        flags->refusedWord = WRITEFRU_WITHOUT_SENDING;
}

void printRefusedWord(const RunFlags* flags) {
    if (flags->refusedWord == WRITEFRU_WITHOUT_SENDING) {
        printf("Error! WRITEFRU and DSBSHM cannot be given together: DSBSHM sends nothing\n");
        return;
    }
    if (flags->suggestion != nullptr)
        printf("Error! Unknown word \"%s\"; did you mean %s?\n", flags->refusedWord,
               flags->suggestion);
    else
        printf("Error! Unknown word \"%s\"\n", flags->refusedWord);
}
