// The quote book's Windows platform: locale names, lower-casing, ANSI text, the
// quote file's place, and long dates over the whole calendar.

#include "long_date_win.h"
#include "quotebook_platform_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <array>

namespace quotidia {
namespace {

std::wstring platformPicture(CivilDate date, const wchar_t* picture) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    std::array<wchar_t, 128> text{};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, picture, text.data(),
                    static_cast<int>(text.size()), nullptr);
    return text.data();
}

TEST(LocaleWin, MonthNamesAndLowerCaseComeFromTheUsersLocale) {
    const QuoteBookPlatformWin platform;
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(platform.monthName(month), platformPicture({2026, month, 1}, L"MMMM"));
    }
    EXPECT_EQ(platform.toLower(L"DECEMBER 6 \u00C9T\u00C9"), L"december 6 \u00E9t\u00E9");
}

TEST(LocaleWin, NamedLocaleGivesItsOwnMonthNames) {
    ASSERT_TRUE(QuoteBookPlatformWin::isKnownLocale(L"de-DE"));
    EXPECT_FALSE(QuoteBookPlatformWin::isKnownLocale(L"xx-NOWHERE"));
    const QuoteBookPlatformWin german(L"de-DE");
    EXPECT_EQ(german.monthName(3), L"M\u00E4rz");
    EXPECT_EQ(german.monthName(12), L"Dezember");
    EXPECT_EQ(german.toLower(L"M\u00C4RZ"), L"m\u00E4rz");
}

TEST(LocaleWin, AnsiTextIsDecodedInTheSystemCodePage) {
    const QuoteBookPlatformWin platform;
    const char bytes[] = "caf\xE9 \x93quoted\x94";
    std::array<wchar_t, 32> expected{};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes, -1, expected.data(), 32);
    EXPECT_EQ(platform.decodeAnsi(bytes), std::wstring(expected.data(), length - 1));
    EXPECT_EQ(platform.decodeAnsi(""), L"");
}

TEST(LocaleWin, QuoteFileLivesBesideTheProgram) {
    std::array<wchar_t, MAX_PATH> self{};
    GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
    const std::filesystem::path expected =
        std::filesystem::path(self.data()).parent_path() / L"Quotes.txt";
    EXPECT_EQ(QuoteBookPlatformWin().quoteFilePath(), expected);
}

// The picture formatter stands in for the platform before 1601; where both reach, they
// must agree, weekday, month and leap day included.
TEST(LocaleWin, LongDateFromThePictureMatchesThePlatformWhereItReaches) {
    const CivilDate dates[] = {{1601, 1, 1},  {1752, 9, 14}, {1899, 12, 30}, {1900, 2, 28},
                               {2000, 2, 29}, {2026, 12, 6}, {2026, 9, 9},   {9999, 12, 31}};
    for (const CivilDate& date : dates) {
        const DateValue day = dateValueOf(date).value();
        EXPECT_EQ(longDateFromPicture(day), testing::platformLongDate(date)) << date.year;
        EXPECT_EQ(longDateText(day), testing::platformLongDate(date)) << date.year;
    }
    for (int month = 1; month <= 12; ++month) {
        const DateValue day = dateValueOf(CivilDate{2024, month, 15}).value();
        EXPECT_EQ(longDateFromPicture(day), testing::platformLongDate({2024, month, 15}));
    }
}

TEST(LocaleWin, LongDatesBefore1601AreFormattedToo) {
    const std::wstring first = longDateText(kFirstDateValue);
    const std::wstring later = longDateText(dateValueOf(CivilDate{1600, 12, 31}).value());
    EXPECT_FALSE(first.empty());
    EXPECT_NE(first.find(platformPicture({2026, 1, 1}, L"MMMM")), std::wstring::npos);
    EXPECT_NE(first.find(L"0100"), std::wstring::npos);
    EXPECT_NE(later.find(L"1600"), std::wstring::npos);
    // 31 December 1600 was a Sunday, as the day after it (1 January 1601) was a Monday.
    EXPECT_NE(later.find(platformPicture({2026, 12, 6}, L"dddd")), std::wstring::npos);
}

} // namespace
} // namespace quotidia
