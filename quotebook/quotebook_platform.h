#pragma once
// The seam through which the quote book reaches the platform: the clock, the user's
// locale and the system's 8-bit code page. The Win32 side implements it with the
// platform's own functions; tests implement it with fixed answers.

#include "date_value.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quotidia {

class QuoteBookPlatform {
  public:
    virtual ~QuoteBookPlatform() = default;

    // The present moment in local time.
    virtual DateValue now() const = 0;

    // The locale's full name of a month, 1 = January ... 12 = December.
    virtual std::wstring monthName(int month) const = 0;

    // Text in lower case, character by character, as the locale lower-cases it.
    virtual std::wstring toLower(std::wstring_view text) const = 0;

    // Text in upper case, as the locale upper-cases it.
    virtual std::wstring toUpper(std::wstring_view text) const = 0;

    // Text in the system's 8-bit (ANSI) code page, decoded.
    virtual std::wstring decodeAnsi(std::string_view bytes) const = 0;

    // Where the quote file lives: the program's directory followed by "\Quotes.txt".
    virtual std::filesystem::path quoteFilePath() const = 0;
};

} // namespace quotidia
