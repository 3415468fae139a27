// UTF-16/UTF-8 conversion, the argument words and the exit status.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/uefi/arguments.h"
#include "platform/uefi/libc/exit_status.h"
#include "platform/uefi/libc/utf.h"

namespace {

std::string narrow(const std::u16string& wide) {
    const uint16_t* units = reinterpret_cast<const uint16_t*>(wide.c_str());
    size_t length = uefilibc::utf16ToUtf8(units, nullptr, 0);
    std::string text(length + 1, '#');
    EXPECT_EQ(uefilibc::utf16ToUtf8(units, &text[0], text.size()), length);
    text.resize(length);
    return text;
}

std::u16string widen(const std::string& text) {
    size_t length = uefilibc::utf8ToUtf16(text.c_str(), nullptr, 0);
    std::u16string wide(length + 1, u'#');
    EXPECT_EQ(
        uefilibc::utf8ToUtf16(text.c_str(), reinterpret_cast<uint16_t*>(&wide[0]), wide.size()),
        length);
    wide.resize(length);
    return wide;
}

TEST(Utf, NarrowsEveryPlaneOfUnicode) {
    EXPECT_EQ(narrow(u"BSN=12AB"), "BSN=12AB");
    EXPECT_EQ(narrow(u"caf\u00e9"), "caf\xc3\xa9");
    EXPECT_EQ(narrow(u"\u20ac5"),
              "\xe2\x82\xac"
              "5");
    EXPECT_EQ(narrow(u"\U0001F600"), "\xf0\x9f\x98\x80");
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    std::u16string lone = {0xD800, u'a', 0xDC00, 0};
    EXPECT_EQ(narrow(lone.c_str()),
              "\xef\xbf\xbd"
              "a\xef\xbf\xbd");
}

TEST(Utf, NarrowingTruncatesToTheCapacity) {
    const char16_t* wide = u"abcdef";
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(uefilibc::utf16ToUtf8(reinterpret_cast<const uint16_t*>(wide), buffer, 4), 6u);
    EXPECT_STREQ(buffer, "abc");
}

TEST(Utf, WideningRoundTripsAndRejectsMalformedBytes) {
    for (const char* text : {"plain", "caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80!"})
        EXPECT_EQ(narrow(widen(text)), text);
    EXPECT_EQ(widen("\xc0\x80"), u"\ufffd\ufffd");    // overlong NUL
    EXPECT_EQ(widen("\xed\xa0\x80"), u"\ufffd");      // encoded surrogate
    EXPECT_EQ(widen("a\xe2\x82"), u"a\ufffd\ufffd");  // cut short
    EXPECT_EQ(widen("\xe2(x"), u"\ufffd(x");          // broken continuation
    EXPECT_EQ(widen("\xff"), u"\ufffd");
}

TEST(Utf, DecodesOneCodePointAtATime) {
    uint32_t codePoint;
    EXPECT_EQ(uefilibc::decodeUtf8("\xc3\xa9x", 3, &codePoint), 2u);
    EXPECT_EQ(codePoint, 0xE9u);
    EXPECT_EQ(uefilibc::decodeUtf8("\xc3\xa9", 1, &codePoint), 1u);
    EXPECT_EQ(codePoint, uefilibc::kReplacementCharacter);
    EXPECT_EQ(uefilibc::decodeUtf8("\b", 1, &codePoint), 1u);
    EXPECT_EQ(codePoint, 8u);
}

TEST(Arguments, WordsBecomeUtf8StringsWithATerminatingNull) {
    std::vector<std::u16string> words = {u"fs0:\\pelgrin.efi", u"BSN=\u00c4\u00d6", u""};
    std::vector<const uint16_t*> pointers;
    for (const auto& word : words)
        pointers.push_back(reinterpret_cast<const uint16_t*>(word.c_str()));
    char** argv = narrowArguments(pointers.data(), static_cast<int>(pointers.size()));
    ASSERT_NE(argv, nullptr);
    EXPECT_STREQ(argv[0], "fs0:\\pelgrin.efi");
    EXPECT_STREQ(argv[1], "BSN=\xc3\x84\xc3\x96");
    EXPECT_STREQ(argv[2], "");
    EXPECT_EQ(argv[3], nullptr);
    free(argv);
}

TEST(ExitStatus, OneIsAbortedAndTheRestSignExtended) {
    EXPECT_EQ(uefilibc::exitStatusFor(0), 0u);
    EXPECT_EQ(uefilibc::exitStatusFor(1), 0x8000000000000015ULL);
    EXPECT_EQ(uefilibc::exitStatusFor(6), 6u);
    EXPECT_EQ(uefilibc::exitStatusFor(-1), 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(uefilibc::exitStatusFor(-12), 0xFFFFFFFFFFFFFFF4ULL);
    EXPECT_EQ(uefilibc::exitStatusFor(INT_MIN), 0xFFFFFFFF80000000ULL);
}

}  // namespace
