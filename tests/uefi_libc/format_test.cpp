#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/uefi/libc/format.h"

namespace {

std::string ours(size_t size, const char* format, ...) {
    std::string buffer(size, '#');
    va_list args;
    va_start(args, format);
    int length = uefilibc::formatToBuffer(size ? &buffer[0] : nullptr, size, format, args);
    va_end(args);
    return std::to_string(length) + ":" + (size ? std::string(buffer.c_str()) : "");
}

std::string host(size_t size, const char* format, ...) {
    std::string buffer(size, '#');
    va_list args;
    va_start(args, format);
    int length = vsnprintf(size ? &buffer[0] : nullptr, size, format, args);
    va_end(args);
    return std::to_string(length) + ":" + (size ? std::string(buffer.c_str()) : "");
}

#define EXPECT_LIKE_HOST(format, ...) \
    EXPECT_EQ(ours(64, format, __VA_ARGS__), host(64, format, __VA_ARGS__)) << format

TEST(Format, SignedIntegersWithFlagsWidthsAndPrecision) {
    for (int value : {0, 7, -7, 42, -42, 123456, INT_MAX, INT_MIN}) {
        EXPECT_LIKE_HOST("[%d]", value);
        EXPECT_LIKE_HOST("[%5d]", value);
        EXPECT_LIKE_HOST("[%-5d]", value);
        EXPECT_LIKE_HOST("[%05d]", value);
        EXPECT_LIKE_HOST("[%+d]", value);
        EXPECT_LIKE_HOST("[% d]", value);
        EXPECT_LIKE_HOST("[%.3d]", value);
        EXPECT_LIKE_HOST("[%8.3d]", value);
        EXPECT_LIKE_HOST("[%-+8.3i]", value);
        EXPECT_LIKE_HOST("[%08.3d]", value);
        EXPECT_LIKE_HOST("[%.0d]", value);
        EXPECT_LIKE_HOST("[%02d]", value);
    }
}

TEST(Format, UnsignedHexAndOctal) {
    for (unsigned value : {0u, 1u, 0xABu, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        EXPECT_LIKE_HOST("[%u]", value);
        EXPECT_LIKE_HOST("[%x]", value);
        EXPECT_LIKE_HOST("[%X]", value);
        EXPECT_LIKE_HOST("[%02X]", value);
        EXPECT_LIKE_HOST("[%#x]", value);
        EXPECT_LIKE_HOST("[%#010X]", value);
        EXPECT_LIKE_HOST("[%o]", value);
        EXPECT_LIKE_HOST("[%#o]", value);
        EXPECT_LIKE_HOST("[%-10x|]", value);
    }
}

TEST(Format, LengthModifiersTakeTheirOwnWidth) {
    EXPECT_LIKE_HOST("%ld %lu %lx", -5L, 5UL, 0xDEADUL);
    EXPECT_LIKE_HOST("%ld %lu", LONG_MIN, ULONG_MAX);
    EXPECT_LIKE_HOST("%lld %llu %llx", LLONG_MIN, ULLONG_MAX, 0x123456789ABCDEFULL);
    EXPECT_LIKE_HOST("%zu %zx", static_cast<size_t>(1) << 40, SIZE_MAX);
    EXPECT_LIKE_HOST("%hhd %hhu %hd %hu", 300, 300, 70000, 70000);
    EXPECT_LIKE_HOST("%d then %lld then %d", 1, -2LL, 3);
}

TEST(Format, TextCharactersAndPointers) {
    EXPECT_LIKE_HOST("[%s]", "abc");
    EXPECT_LIKE_HOST("[%6s][%-6s]", "abc", "abc");
    EXPECT_LIKE_HOST("[%.2s][%5.1s]", "abc", "abc");
    EXPECT_LIKE_HOST("[%s]", static_cast<const char*>(nullptr));
    EXPECT_LIKE_HOST("[%c%c][%3c][%-3c]", 'o', 'k', 'x', 'y');
    EXPECT_LIKE_HOST("100%% %s", "done");
    EXPECT_LIKE_HOST("%02d\b\b", 7);
    EXPECT_LIKE_HOST("[%p]", reinterpret_cast<void*>(0x1234abcd));
    EXPECT_LIKE_HOST("[%*d][%-*d][%.*s]", 6, 42, 6, 42, 2, "abcdef");
    EXPECT_LIKE_HOST("[%*d]", -4, 9);
}

TEST(Format, TruncatesButReportsTheFullLength) {
    EXPECT_EQ(ours(5, "%s-%d", "abcdef", 12), host(5, "%s-%d", "abcdef", 12));
    EXPECT_EQ(ours(1, "%d", 12345), host(1, "%d", 12345));
    EXPECT_EQ(ours(0, "%d", 12345), "5:");
    EXPECT_EQ(ours(8, "1234567"), "7:1234567");
    EXPECT_EQ(ours(8, "12345678"), "8:1234567");
}

}  // namespace
