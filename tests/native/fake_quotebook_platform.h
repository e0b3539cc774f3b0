#pragma once
// A quote-book platform with fixed answers: a settable clock and month names, the
// Windows-1252 code page and lower-casing for Latin, Greek and Cyrillic letters.

#include "english_month_names.h"
#include "quotebook_platform.h"
#include "text_encodings.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace quotidia::testing {

// The English month names as a platform's month names.
inline const std::array<std::wstring, 12> kEnglishMonths = [] {
    std::array<std::wstring, 12> months;
    std::copy(kEnglishMonthNames.begin(), kEnglishMonthNames.end(), months.begin());
    return months;
}();

class FakeQuoteBookPlatform : public QuoteBookPlatform {
  public:
    DateValue present = 0.0;
    std::array<std::wstring, 12> months = kEnglishMonths;
    std::filesystem::path quoteFile;

    DateValue now() const override { return present; }

    std::wstring monthName(int month) const override {
        return months.at(static_cast<std::size_t>(month - 1));
    }

    std::wstring toLower(std::wstring_view text) const override {
        std::wstring lower(text);
        for (wchar_t& c : lower) {
            c = lowerCharacter(c);
        }
        return lower;
    }

    std::wstring toUpper(std::wstring_view text) const override {
        std::wstring upper(text);
        for (wchar_t& c : upper) {
            c = upperCharacter(c);
        }
        return upper;
    }

    std::wstring decodeAnsi(std::string_view bytes) const override {
        return decodeWindows1252(bytes);
    }

    std::filesystem::path quoteFilePath() const override { return quoteFile; }

  private:
    static wchar_t lowerCharacter(wchar_t c) {
        const bool asciiUpper = c >= L'A' && c <= L'Z';
        const bool latin1Upper = c >= 0xC0 && c <= 0xDE && c != 0xD7;
        const bool greekUpper = c >= 0x391 && c <= 0x3AB && c != 0x3A2;
        const bool cyrillicUpper = c >= 0x410 && c <= 0x42F;
        if (asciiUpper || latin1Upper || greekUpper || cyrillicUpper) {
            return static_cast<wchar_t>(c + 0x20);
        }
        if (c >= 0x400 && c <= 0x40F) {
            return static_cast<wchar_t>(c + 0x50);
        }
        return c;
    }

    static wchar_t upperCharacter(wchar_t c) {
        const bool asciiLower = c >= L'a' && c <= L'z';
        const bool latin1Lower = c >= 0xE0 && c <= 0xFE && c != 0xF7;
        const bool greekLower = c >= 0x3B1 && c <= 0x3CB && c != 0x3C2;
        const bool cyrillicLower = c >= 0x430 && c <= 0x44F;
        if (asciiLower || latin1Lower || greekLower || cyrillicLower) {
            return static_cast<wchar_t>(c - 0x20);
        }
        if (c >= 0x450 && c <= 0x45F) {
            return static_cast<wchar_t>(c - 0x50);
        }
        return c;
    }
};

} // namespace quotidia::testing
