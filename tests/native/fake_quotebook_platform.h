#pragma once
// A quote-book platform with fixed answers: a settable clock and month names, the
// Windows-1252 code page and lower-casing for Latin, Greek and Cyrillic letters.

#include "quotebook/quotebook_platform.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace quotidia::testing {

inline const std::array<std::wstring, 12> kEnglishMonths = {
    L"January", L"February", L"March",     L"April",   L"May",      L"June",
    L"July",    L"August",   L"September", L"October", L"November", L"December"};

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
        // Windows-1252's characters at 0x80 ... 0x9F; the five unassigned bytes map to
        // the control characters of the same value, as the platform maps them.
        static constexpr std::array<wchar_t, 32> kHighControls = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        std::wstring text;
        text.reserve(bytes.size());
        for (const char byte : bytes) {
            const auto value = static_cast<unsigned char>(byte);
            text += value >= 0x80 && value < 0xA0 ? kHighControls.at(value - 0x80u)
                                                  : static_cast<wchar_t>(value);
        }
        return text;
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
