#include "quotebook_platform_posix.h"

#include "day_line_rewrite.h"
#include "system_environment.h"

#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

// glibc keeps the LOCPATH it parsed for newlocale for the life of the process; that is
// not a leak of ours, so LeakSanitizer is told to pass over it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:__argz_add_sep\n";
}

namespace quotidia {
namespace {

TEST(QuoteBookPlatformPosix, CLocaleSpeaksEnglishAndDecodesWindows1252) {
    const auto platform = QuoteBookPlatformPosix::forLocale("C");
    ASSERT_TRUE(platform);
    EXPECT_EQ(platform->monthName(1), L"January");
    EXPECT_EQ(platform->monthName(12), L"December");
    EXPECT_EQ(platform->toLower(L"DECEMBER 6"), L"december 6");
    EXPECT_EQ(platform->decodeAnsi("\x80\x93\x81\xE9"), L"\u20AC\u201C\u0081\u00E9");
}

TEST(QuoteBookPlatformPosix, UnknownLocaleIsRefusedAndTheUsersOwnAlwaysWorks) {
    EXPECT_FALSE(QuoteBookPlatformPosix::forLocale("xx_NOWHERE.UTF-8"));
    EXPECT_TRUE(QuoteBookPlatformPosix::forLocale(""));
}

TEST(QuoteBookPlatformPosix, LocaleMonthNamesAndLetterCase) {
    // Compiled into the build tree by the test set-up and found through LOCPATH.
    const auto german = QuoteBookPlatformPosix::forLocale("de_DE.UTF-8");
    ASSERT_TRUE(german) << "the de_DE.UTF-8 locale was not compiled into LOCPATH";
    EXPECT_EQ(german->monthName(3), L"M\u00E4rz");
    EXPECT_EQ(german->toLower(L"M\u00C4RZ"), L"m\u00E4rz");
}

TEST(SystemEnvironmentPosix, TakesWindowsLocaleNamesAndListsCompiledLocalesByLanguage) {
    const auto environment = makeSystemEnvironment();
    const auto german = environment->platformFor(L"de-DE");
    ASSERT_TRUE(german);
    EXPECT_EQ(german->monthName(12), L"Dezember");
    EXPECT_FALSE(environment->platformFor(L"xx-NOWHERE"));
    const std::vector<KnownLocale> locales = environment->knownLocales();
    EXPECT_NE(std::find_if(locales.begin(), locales.end(),
                           [](const KnownLocale& locale) {
                               return locale.name == L"fr_FR.UTF-8" && locale.language == L"French";
                           }),
              locales.end());
    EXPECT_FALSE(environment->quotationFit());
}

TEST(SystemEnvironmentPosix, RewriteThroughTheLocalesAndBackKeepsTheBook) {
    const auto environment = makeSystemEnvironment();
    const auto user = environment->platformFor(L"");
    const EnglishMonthNames english(*user);
    const std::string original = "MARCH 3\r\nOne\r\n\r\nAugust 31\r\nTwo\r\n";
    std::string book = original;
    const QuoteBookPlatform* from = &english;
    std::vector<std::unique_ptr<QuoteBookPlatform>> locales;
    for (const wchar_t* name : {L"de_DE.UTF-8", L"fr-FR", L"es_ES.UTF-8"}) {
        locales.push_back(environment->platformFor(name));
        ASSERT_TRUE(locales.back());
        std::istringstream input(book);
        book.clear();
        rewriteDayLines(input, *from, *locales.back(), [&book](std::string_view bytes) {
            book += bytes;
            return true;
        });
        from = locales.back().get();
    }
    EXPECT_EQ(book, "MARZO 3\r\nOne\r\n\r\nagosto 31\r\nTwo\r\n");
    std::istringstream input(book);
    std::string back;
    rewriteDayLines(input, *from, english, [&back](std::string_view bytes) {
        back += bytes;
        return true;
    });
    EXPECT_EQ(back, original);
}

} // namespace
} // namespace quotidia
