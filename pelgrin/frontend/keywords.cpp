#include "pelgrin/frontend/keywords.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "pelgrin/frontend/field_text.h"

namespace {

enum KeywordKind { VALUE_KEYWORD, DISABLE_SHARED_MEMORY, HELP };

struct Keyword {
    const char* word;
    KeywordKind kind;
    size_t valueField;  // offset of the SkuContext field a value keyword sets
};

#define VALUE(word, field) \
    { word, VALUE_KEYWORD, offsetof(SkuContext, field) }

// Tried in this order; the first keyword a word begins with decides.
constexpr Keyword KEYWORDS[] = {
    VALUE("MainMAC", mainMac),
    VALUE("ShareMAC", shareMac),
    VALUE("CSN", chassisSerialNumber),
    VALUE("CPN", chassisPartNumber),
    VALUE("BSN", boardSerialNumber),
    VALUE("BPN", boardPartNumber),
    VALUE("PSN", productSerialNumber),
    VALUE("PPN", productPartNumber),
    VALUE("ASSET", assetTag),
    VALUE("PN", productName),
    VALUE("RU", rmcUnit),
    VALUE("NU", nodeUnit),
    VALUE("PB", powerBank),
    VALUE("PV", productVersion),
    VALUE("WS", writeSelection),
    {"DSBSHM", DISABLE_SHARED_MEMORY, 0},
    {"help", HELP, 0},
};

#undef VALUE

const Keyword* findKeyword(const char* word) {
    for (const Keyword& keyword : KEYWORDS) {
        if (strncmp(word, keyword.word, strlen(keyword.word)) == 0)
            return &keyword;
    }
    return nullptr;
}

void setValue(SkuContext* context, const Keyword& keyword, const char* word, RunFlags* flags) {
    size_t length = strlen(keyword.word);
    // A bare keyword has no separator and no value behind it: ignored like an
    // unknown word. Whatever character stands as the separator is skipped.
    if (word[length] == '\0')
        return;
    const char** field =
        reinterpret_cast<const char**>(reinterpret_cast<char*>(context) + keyword.valueField);
    *field = word + length + 1;
    flags->anyValueGiven = true;
}

int refuseMac(const char* name) {
    printf("Error! %s must be 12 hexadecimal digits\n", name);
    return 3;
}

}  // namespace

void scanKeywords(int argc, char** argv, SkuContext* context, RunFlags* flags) {
    for (int i = 1; i < argc; ++i) {
        const Keyword* keyword = findKeyword(argv[i]);
        if (keyword == nullptr)
            continue;
        switch (keyword->kind) {
            case VALUE_KEYWORD:
                setValue(context, *keyword, argv[i], flags);
                break;
            case DISABLE_SHARED_MEMORY:
                flags->writeToSharedMemory = false;
                break;
            case HELP:
                flags->helpRequested = true;
                return;
        }
    }
}

int checkMacValues(const SkuContext* context) {
    if (context->mainMac != nullptr && !isMacText(context->mainMac))
        return refuseMac("MainMAC");
    if (context->shareMac != nullptr && !isMacText(context->shareMac))
        return refuseMac("ShareMAC");
    return 0;
}
