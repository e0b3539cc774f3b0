#pragma once
// The rules that tell a day line of one locale and make it the same day's line of
// another: which day a line's key names, the month name's letter case kept where the
// other locale reads it back, and the new name spelled in the book's encoding.

#include "book_text_encoding.h"
#include "key_line.h"
#include "quotebook_platform.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quotidia {

// What becomes of one line.
template <typename Unit> struct Judgement {
    enum class Kind { otherLine, rewritten, failed };
    Kind kind = Kind::otherLine;
    std::basic_string<Unit> line; // the rewritten line, without its blanks at either end
    std::wstring message;         // why it failed
};

// The rules that tell a day line of `from` and make it the same day's line of `to`.
class DayLineRules {
  public:
    DayLineRules(const QuoteBookPlatform& from, const QuoteBookPlatform& to, BookEncoding encoding);

    // A line without the blanks at its ends: another line, a day line rewritten, or a
    // day line that cannot be.
    template <typename Unit> Judgement<Unit> judge(std::basic_string_view<Unit> trimmedLine);

  private:
    static constexpr int kMonths = 12;

    struct DayOf {
        int month = 0;
        std::size_t index = 0; // of the day in the leap year, from 0
    };

    template <typename Unit>
    std::optional<std::basic_string<Unit>> encode(const std::wstring& text) const;

    const QuoteBookPlatform& from_;
    const QuoteBookPlatform& to_;
    BookEncoding encoding_;
    AnsiEncoder ansi_;
    std::array<std::wstring, kMonths> fromMonths_;
    std::array<std::wstring, kMonths> toMonths_;
    std::unordered_map<std::wstring, DayOf> dayOfLowerKey_;
    std::size_t longestLowerKey_ = 0;
    // The matcher holds a reference to its platform and a buffer of its own.
    std::vector<std::unique_ptr<KeyLineMatcher>> toMatchers_;
};

extern template Judgement<char> DayLineRules::judge(std::string_view trimmedLine);
extern template Judgement<char16_t> DayLineRules::judge(std::u16string_view trimmedLine);

} // namespace quotidia
