#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/uefi/libc/numbers.h"

namespace {

const char* const kInputs[] = {"0",
                               "42",
                               "  \t-17abc",
                               "+8",
                               "-0",
                               "0x1F",
                               "0X1f",
                               "-0x10",
                               "0x",
                               "0xg",
                               "077",
                               "089",
                               "z",
                               "Zz",
                               "",
                               "   ",
                               "+-3",
                               "- 3",
                               "12 34",
                               "1e3",
                               "ffffffff",
                               "7fffffff",
                               "-80000000",
                               "9223372036854775807",
                               "9223372036854775808",
                               "-9223372036854775808",
                               "-9223372036854775809",
                               "18446744073709551615",
                               "18446744073709551616",
                               "-1",
                               "99999999999999999999999"};

const int kBases[] = {0, 2, 8, 10, 16, 36};

TEST(Numbers, SignedMatchesStrtollInValueEndAndRange) {
    for (const char* input : kInputs) {
        for (int base : kBases) {
            char* hostEnd;
            errno = 0;
            long long expected = strtoll(input, &hostEnd, base);
            bool hostRange = errno == ERANGE;
            char* ourEnd;
            bool rangeError;
            int64_t actual =
                uefilibc::parseSigned(input, &ourEnd, base, LLONG_MIN, LLONG_MAX, &rangeError);
            EXPECT_EQ(actual, expected) << '"' << input << "\" base " << base;
            EXPECT_EQ(ourEnd, hostEnd) << '"' << input << "\" base " << base;
            EXPECT_EQ(rangeError, hostRange) << '"' << input << "\" base " << base;
        }
    }
}

TEST(Numbers, UnsignedMatchesStrtoullIncludingNegation) {
    for (const char* input : kInputs) {
        for (int base : kBases) {
            char* hostEnd;
            errno = 0;
            unsigned long long expected = strtoull(input, &hostEnd, base);
            bool hostRange = errno == ERANGE;
            char* ourEnd;
            bool rangeError;
            uint64_t actual =
                uefilibc::parseUnsigned(input, &ourEnd, base, ULLONG_MAX, &rangeError);
            EXPECT_EQ(actual, expected) << '"' << input << "\" base " << base;
            EXPECT_EQ(ourEnd, hostEnd) << '"' << input << "\" base " << base;
            EXPECT_EQ(rangeError, hostRange) << '"' << input << "\" base " << base;
        }
    }
}

// In firmware long is 32 bits: strtol and strtoul clamp there.
TEST(Numbers, ThirtyTwoBitLimitsClampAndWrap) {
    bool rangeError;
    EXPECT_EQ(uefilibc::parseSigned("2147483647", nullptr, 10, INT32_MIN, INT32_MAX, &rangeError),
              INT32_MAX);
    EXPECT_FALSE(rangeError);
    EXPECT_EQ(uefilibc::parseSigned("2147483648", nullptr, 10, INT32_MIN, INT32_MAX, &rangeError),
              INT32_MAX);
    EXPECT_TRUE(rangeError);
    EXPECT_EQ(uefilibc::parseSigned("-80000000", nullptr, 16, INT32_MIN, INT32_MAX, &rangeError),
              INT32_MIN);
    EXPECT_FALSE(rangeError);
    EXPECT_EQ(uefilibc::parseSigned("-80000001", nullptr, 16, INT32_MIN, INT32_MAX, &rangeError),
              INT32_MIN);
    EXPECT_TRUE(rangeError);
    EXPECT_EQ(uefilibc::parseUnsigned("-1", nullptr, 10, UINT32_MAX, &rangeError), UINT32_MAX);
    EXPECT_FALSE(rangeError);
    EXPECT_EQ(uefilibc::parseUnsigned("4294967296", nullptr, 10, UINT32_MAX, &rangeError),
              UINT32_MAX);
    EXPECT_TRUE(rangeError);
}

TEST(Numbers, InvalidBaseTakesNothing) {
    const char* text = "123";
    char* end;
    bool rangeError;
    EXPECT_EQ(uefilibc::parseSigned(text, &end, 1, LLONG_MIN, LLONG_MAX, &rangeError), 0);
    EXPECT_EQ(end, text);
    EXPECT_EQ(uefilibc::parseSigned(text, &end, 37, LLONG_MIN, LLONG_MAX, &rangeError), 0);
    EXPECT_EQ(end, text);
}

}  // namespace
