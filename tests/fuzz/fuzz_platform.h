#pragma once
// The quote-book platform of the fuzz targets, and the rules it is made of, which the
// targets' naive reference uses too: English month names, letter case folded for ASCII,
// Latin-1, Greek and Cyrillic capitals, and Windows-1252 as the ANSI code page. Nothing
// here comes from the code under test.

#include "quotebook_platform.h"

#include <array>
#include <string>
#include <string_view>

namespace quotidia::fuzzing {

// The lower case of one character: one character for one, so texts keep their length.
inline wchar_t foldCharacter(wchar_t c) {
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

inline std::wstring fold(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) {
        c = foldCharacter(c);
    }
    return lower;
}

// Windows-1252, byte by byte: 0x80 ... 0x9F from the table (its five unassigned bytes
// stand for themselves), every other byte for the character of its value.
inline wchar_t windows1252Character(unsigned char byte) {
    static constexpr std::array<wchar_t, 32> kHighControls = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : static_cast<wchar_t>(byte);
}

class FuzzPlatform : public QuoteBookPlatform {
  public:
    DateValue now() const override { return 0.0; }

    std::wstring monthName(int month) const override {
        static constexpr std::array<std::wstring_view, 12> kMonths = {
            L"January", L"February", L"March",     L"April",   L"May",      L"June",
            L"July",    L"August",   L"September", L"October", L"November", L"December"};
        return std::wstring(kMonths.at(static_cast<std::size_t>(month - 1)));
    }

    std::wstring toLower(std::wstring_view text) const override { return fold(text); }

    // Capitals for ASCII alone, enough for the English month names the platform has.
    std::wstring toUpper(std::wstring_view text) const override {
        std::wstring upper(text);
        for (wchar_t& c : upper) {
            if (c >= L'a' && c <= L'z') {
                c = static_cast<wchar_t>(c - 0x20);
            }
        }
        return upper;
    }

    std::wstring decodeAnsi(std::string_view bytes) const override {
        std::wstring text;
        for (const char byte : bytes) {
            text += windows1252Character(static_cast<unsigned char>(byte));
        }
        return text;
    }

    std::filesystem::path quoteFilePath() const override { return {}; }
};

} // namespace quotidia::fuzzing
