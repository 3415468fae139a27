#include "pelgrin/frontend/word_match.h"

#include <string.h>

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same(char a, char b) {
    return upper(a) == upper(b);
}

// Equal from `a` and `b` on, both ending together.
bool restEqual(const char* a, const char* b) {
    while (*a != '\0' && *b != '\0' && same(*a, *b)) {
        ++a;
        ++b;
    }
    return *a == '\0' && *b == '\0';
}

}  // namespace

bool equalsIgnoringCase(const char* a, size_t length, const char* keyword) {
    if (strlen(keyword) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (!same(a[i], keyword[i]))
            return false;
    }
    return true;
}

bool withinOneTypo(const char* word, const char* keyword) {
    size_t at = 0;
    while (word[at] != '\0' && keyword[at] != '\0' && same(word[at], keyword[at]))
        ++at;
    const char* w = word + at;
    const char* k = keyword + at;
    if (*w == '\0' && *k == '\0')
        return false;  // equal: no typo at all
    bool swapped =
        *w != '\0' && *k != '\0' && same(w[0], k[1]) && same(w[1], k[0]) && restEqual(w + 2, k + 2);
    bool wrong = *w != '\0' && *k != '\0' && restEqual(w + 1, k + 1);
    bool extra = *w != '\0' && restEqual(w + 1, k);
    bool missing = *k != '\0' && restEqual(w, k + 1);
    return swapped || wrong || extra || missing;
}
