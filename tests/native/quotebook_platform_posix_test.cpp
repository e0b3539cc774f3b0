#include "quotebook_platform_posix.h"

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

} // namespace
} // namespace quotidia
