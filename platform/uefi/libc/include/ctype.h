// Character classes for the "C" locale, the only one there is here.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

static inline int isdigit(int c) {
    return c >= '0' && c <= '9';
}
static inline int isupper(int c) {
    return c >= 'A' && c <= 'Z';
}
static inline int islower(int c) {
    return c >= 'a' && c <= 'z';
}
static inline int isalpha(int c) {
    return isupper(c) || islower(c);
}
static inline int isalnum(int c) {
    return isalpha(c) || isdigit(c);
}
static inline int isxdigit(int c) {
    return isdigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
static inline int isspace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
static inline int isprint(int c) {
    return c >= 0x20 && c < 0x7F;
}
static inline int iscntrl(int c) {
    return (c >= 0 && c < 0x20) || c == 0x7F;
}
static inline int ispunct(int c) {
    return isprint(c) && !isalnum(c) && c != ' ';
}
static inline int toupper(int c) {
    return islower(c) ? c - 0x20 : c;
}
static inline int tolower(int c) {
    return isupper(c) ? c + 0x20 : c;
}

#ifdef __cplusplus
}
#endif
