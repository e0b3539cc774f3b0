#include "long_date.h"

#include "fake_quotebook_platform.h"

#include <gtest/gtest.h>

namespace quotidia {
namespace {

DateNames englishNames() {
    DateNames names;
    names.months = testing::kEnglishMonths;
    names.genitiveMonths = testing::kEnglishMonths;
    names.abbreviatedMonths = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                               L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    names.weekdays = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                      L"Thursday", L"Friday", L"Saturday"};
    names.abbreviatedWeekdays = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    names.era = L"A.D.";
    return names;
}

constexpr CivilDate kFriday6December2024{2024, 12, 6};

TEST(LongDate, NamesAndNumbersOfTheEnglishPicture) {
    const DateNames names = englishNames();
    EXPECT_EQ(formatLongDate(L"dddd, MMMM d, yyyy", kFriday6December2024, names),
              L"Friday, December 6, 2024");
    EXPECT_EQ(formatLongDate(L"ddd dd MMM", kFriday6December2024, names), L"Fri 06 Dec");
    EXPECT_EQ(formatLongDate(L"d/M/yy MM", CivilDate{2005, 3, 9}, names), L"9/3/05 03");
    EXPECT_EQ(formatLongDate(L"y|yy|yyyy", CivilDate{2005, 3, 9}, names), L"5|05|2005");
    EXPECT_EQ(formatLongDate(L"yyyyy", CivilDate{2005, 3, 9}, names), L"2005");
    EXPECT_EQ(formatLongDate(L"g gg yyyy", kFriday6December2024, names), L"A.D. A.D. 2024");
}

TEST(LongDate, YearsBeforeTheyReachFourDigits) {
    const DateNames names = englishNames();
    EXPECT_EQ(formatLongDate(L"dddd, MMMM d, yyyy", CivilDate{100, 1, 1}, names),
              L"Friday, January 1, 0100");
    EXPECT_EQ(formatLongDate(L"y yy yyyy", CivilDate{1001, 5, 1}, names), L"1 01 1001");
    EXPECT_EQ(formatLongDate(L"yy", CivilDate{100, 5, 1}, names), L"00");
}

TEST(LongDate, QuotedTextIsLiteral) {
    const DateNames names = englishNames();
    EXPECT_EQ(formatLongDate(L"d 'de' MMMM 'de' yyyy", kFriday6December2024, names),
              L"6 de December de 2024");
    EXPECT_EQ(formatLongDate(L"'dddd' d", kFriday6December2024, names), L"dddd 6");
    EXPECT_EQ(formatLongDate(L"'it''s' d", kFriday6December2024, names), L"it's 6");
    EXPECT_EQ(formatLongDate(L"d''M", kFriday6December2024, names), L"612");
    EXPECT_EQ(formatLongDate(L"d 'unclosed MMMM", kFriday6December2024, names), L"6 unclosed MMMM");
    EXPECT_EQ(formatLongDate(L"yyyy. MMMM d.", kFriday6December2024, names), L"2024. December 6.");
}

TEST(LongDate, GenitiveMonthNameStandsBesideADayNumber) {
    DateNames names = englishNames();
    names.months[11] = L"декабрь";
    names.genitiveMonths[11] = L"декабря";
    EXPECT_EQ(formatLongDate(L"d MMMM yyyy 'г.'", kFriday6December2024, names),
              L"6 декабря 2024 г.");
    EXPECT_EQ(formatLongDate(L"dd MMMM", kFriday6December2024, names), L"06 декабря");
    EXPECT_EQ(formatLongDate(L"MMMM yyyy", kFriday6December2024, names), L"декабрь 2024");
    EXPECT_EQ(formatLongDate(L"dddd, MMMM", kFriday6December2024, names), L"Friday, декабрь");
    EXPECT_EQ(formatLongDate(L"'d' MMMM", kFriday6December2024, names), L"d декабрь");
}

} // namespace
} // namespace quotidia
