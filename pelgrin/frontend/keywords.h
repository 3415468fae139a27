// The operator's words: keyword=value (or keyword:value) words and flag
// words. Every word must be understood; a word that is not is refused before
// anything is read or written, since a typo could otherwise program a board
// with something other than what the operator meant.
#pragma once

#include "pelgrin/run/sku_context.h"

struct RunFlags {
    bool anyValueGiven;
    bool writeToSharedMemory;
    bool helpRequested;
    bool versionRequested;
    bool verify;
    bool writeFru;          // WRITEFRU: the FRU over KCS instead of the window
    const char* askList;    // ASK=: value keywords to prompt for
    const char* logFile;    // LOG=: the per-unit record
    const char* skuDigest;  // SKUSHA256=: the SKU.xml the stick was made for
    const char* stickId;    // STICK=: the line stick's ID, for the record
    // The first word not understood (scanning stops there), and the keyword
    // it most likely meant (null when none is close).
    const char* refusedWord;
    const char* suggestion;
};

// Scans the words after the program name into `context` and `flags`. Values
// point into the words themselves; the last occurrence of a keyword wins.
// Stops at a help or version word, or at the first word not understood.
void scanKeywords(int argc, char** argv, SkuContext* context, RunFlags* flags);

// The one line that refuses flags->refusedWord.
void printRefusedWord(const RunFlags* flags);
