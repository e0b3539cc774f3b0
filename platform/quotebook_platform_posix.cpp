#include "quotebook_platform_posix.h"

#include "date_value.h"
#include "text_encodings.h"

#include <langinfo.h>
#include <wctype.h>

#include <ctime>
#include <cwchar>
#include <utility>

namespace quotidia {

namespace {

// Restores the thread's locale when it goes out of scope.
class ThreadLocaleScope {
  public:
    explicit ThreadLocaleScope(locale_t locale) : previous_(uselocale(locale)) {}
    ~ThreadLocaleScope() { uselocale(previous_); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

  private:
    locale_t previous_;
};

} // namespace

std::unique_ptr<QuoteBookPlatformPosix> QuoteBookPlatformPosix::forLocale(const std::string& name) {
    LocaleHandle locale(newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr)));
    if (!locale && name.empty()) {
        locale.reset(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)));
    }
    if (!locale) {
        return nullptr;
    }
    return std::unique_ptr<QuoteBookPlatformPosix>(new QuoteBookPlatformPosix(std::move(locale)));
}

QuoteBookPlatformPosix::QuoteBookPlatformPosix(LocaleHandle locale) : locale_(std::move(locale)) {}

DateValue QuoteBookPlatformPosix::now() const {
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    constexpr int kSecondsPerDay = 86400;
    const double timeOfDay =
        (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / kSecondsPerDay;
    constexpr int kTmFirstYear = 1900;
    return dateValueOf(CivilDate{local.tm_year + kTmFirstYear, local.tm_mon + 1, local.tm_mday},
                       timeOfDay)
        .value_or(0.0);
}

std::wstring QuoteBookPlatformPosix::monthName(int month) const {
    // Where a language declines month names, MON_1 ... hold the form used inside a date
    // and ALTMON_1 ... the name standing alone, which is what a key line holds.
#ifdef ALTMON_1
    const nl_item first = ALTMON_1;
#else
    const nl_item first = MON_1;
#endif
    return decodeInLocale(nl_langinfo_l(first + month - 1, locale_.get()));
}

std::wstring QuoteBookPlatformPosix::toLower(std::wstring_view text) const {
    std::wstring lower(text);
    for (wchar_t& character : lower) {
        character = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(character), locale_.get()));
    }
    return lower;
}

std::wstring QuoteBookPlatformPosix::toUpper(std::wstring_view text) const {
    std::wstring upper(text);
    for (wchar_t& character : upper) {
        character = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(character), locale_.get()));
    }
    return upper;
}

std::wstring QuoteBookPlatformPosix::decodeAnsi(std::string_view bytes) const {
    return decodeWindows1252(bytes);
}

std::filesystem::path QuoteBookPlatformPosix::quoteFilePath() const {
    return std::filesystem::current_path() / "Quotes.txt";
}

std::wstring QuoteBookPlatformPosix::decodeInLocale(const char* text) const {
    const ThreadLocaleScope scope(locale_.get());
    std::mbstate_t state{};
    const char* source = text;
    const std::size_t length = std::mbsrtowcs(nullptr, &source, 0, &state);
    if (length == static_cast<std::size_t>(-1)) {
        return decodeAnsi(text);
    }
    std::wstring decoded(length, L'\0');
    state = std::mbstate_t{};
    source = text;
    std::mbsrtowcs(decoded.data(), &source, length, &state);
    return decoded;
}

} // namespace quotidia
