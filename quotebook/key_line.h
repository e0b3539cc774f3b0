#pragma once
// The key-line rules: the one item a line holds, how a line's bytes or units become
// text, and whether a line is the key line of a day key.

#include "quotebook_platform.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

// The one item a trimmed line holds, by the item rules: a line that begins with a
// double quote holds the text up to the next double quote on the line (to the line's
// end when none follows), and nothing may stand after the closing quote; any other
// line is its item unless a comma splits it into several. nullopt: no single item.
std::optional<std::string_view> keyItemOf(std::string_view trimmedLine);
std::optional<std::u16string_view> keyItemOf(std::u16string_view trimmedLine);

// A line of a byte file as text: UTF-8 when it is well-formed UTF-8, otherwise the
// ANSI code page.
void appendLineText(std::wstring& out, std::string_view line, const QuoteBookPlatform& platform);
void appendLineText(std::wstring& out, std::u16string_view line, const QuoteBookPlatform& platform);

// A line cut short without the character the cut went through, so that what is kept
// decodes as the start of the whole line: a byte line loses an unfinished UTF-8
// sequence (a line whose kept part is well-formed UTF-8 is then read as UTF-8), a UTF-16
// line a lead surrogate without its partner.
std::string_view wholeCharacters(std::string_view cut);
std::u16string_view wholeCharacters(std::u16string_view cut);

// Tells whether a trimmed line is the key line of one day key, letter case ignored.
// Lower-casing goes character by character and so keeps a text's length; the matcher
// relies on that to reject lines by their length before decoding them.
class KeyLineMatcher {
  public:
    KeyLineMatcher(std::wstring_view dayKey, const QuoteBookPlatform& platform);

    // The longest trimmed line, in units, that can still be the key line; longer lines
    // need not be held.
    template <typename Unit> std::size_t longestKeyLine() const;

    // The end of the key that every key line holds as it stands, in every encoding, so
    // that lines without it need not be read: the longest tail of the key made of ASCII
    // characters that are their own lower case and no other character's, such as " 6"
    // of "December 6", when it ends in a digit (as every day key does).
    std::optional<std::string> anchor() const;

    bool matches(std::string_view trimmedLine);
    bool matches(std::u16string_view trimmedLine);

  private:
    template <typename Unit> bool matchesItem(std::basic_string_view<Unit> trimmedLine);

    static constexpr std::size_t kAsciiSize = 128;

    const QuoteBookPlatform& platform_;
    std::wstring lowerKey_;
    // The lower case of every ASCII character, asked of the platform once, so that a
    // line of plain ASCII is compared without a round trip through the platform.
    std::wstring asciiLower_;
    std::wstring item_; // reused between lines
};

} // namespace quotidia
