#include "text_encodings.h"

#include <gtest/gtest.h>

#include <string>

namespace quotidia {
namespace {

TEST(TextEncodings, Utf8OfEveryWidthAndBrokenSurrogates) {
    // U+1F600 is one wchar_t natively and a surrogate pair on Windows: one sequence either way.
    EXPECT_EQ(utf8Of(L"a\u00E9\u2014\U0001F600"), "a\xC3\xA9\xE2\x80\x94\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8Of(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextEncodings, Utf8RoundTripsThroughTheDecoder) {
    const std::string bytes =
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    std::wstring text;
    ASSERT_TRUE(appendUtf8(text, bytes));
    EXPECT_EQ(utf8Of(text), bytes);
}

TEST(TextEncodings, SingleByteCodePages) {
    // Windows-1252's own characters, an unassigned byte, and a byte it shares with Latin-1.
    EXPECT_EQ(decodeWindows1252("\x80\x93\x81\xE9"), L"\u20AC\u201C\u0081\u00E9");
    EXPECT_EQ(decodeLatin1("\x80\x93\xE9\xFF"), L"\u0080\u0093\u00E9\u00FF");
}

} // namespace
} // namespace quotidia
