#include "checker/locale_posix.h"

#include "quotebook/date_value.h"

#include <langinfo.h>
#include <wctype.h>

#include <array>
#include <ctime>
#include <cwchar>
#include <utility>

namespace quotidia {

namespace {

// Windows-1252's characters at 0x80 ... 0x9F; its five unassigned bytes become the
// control characters of the same value, as Windows decodes them.
constexpr std::array<wchar_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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
    constexpr unsigned kFirstHigh = 0x80;
    constexpr unsigned kFirstLatin1 = 0xA0;
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += value >= kFirstHigh && value < kFirstLatin1
                    ? kWindows1252High.at(value - kFirstHigh)
                    : static_cast<wchar_t>(value);
    }
    return text;
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
