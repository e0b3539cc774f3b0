#pragma once
// Lines that look like day keys yet match no day ("Dec 6", "December 06", "6 December",
// "February 30"): why such a line is no key line, in words a book's editor can act on.

#include "quotebook_platform.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

class KeyLookalikes {
  public:
    explicit KeyLookalikes(const QuoteBookPlatform& platform);

    // Why a trimmed line that is no key line yet looks like one does not match; nullopt
    // when the line does not look like a key line at all.
    std::optional<std::wstring> whyNoKey(std::wstring_view trimmedText) const;

  private:
    std::optional<int> monthOf(std::wstring_view lowerWord) const;
    std::optional<int> abbreviatedMonthOf(std::wstring_view lowerWord) const;

    const QuoteBookPlatform& platform_;
    std::array<std::wstring, 12> months_;      // the locale's month names, asked once
    std::array<std::wstring, 12> lowerMonths_; // and lower-cased
};

} // namespace quotidia
