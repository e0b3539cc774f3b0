#include "quotebook/locale_win.h"

#include "quotebook/long_date.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quotidia {

namespace {

std::wstring localeInfo(LCTYPE type, const wchar_t* locale = LOCALE_NAME_USER_DEFAULT) {
    const int length = GetLocaleInfoEx(locale, type, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    GetLocaleInfoEx(locale, type, text.data(), length);
    text.resize(static_cast<size_t>(length - 1));
    return text;
}

SYSTEMTIME systemTimeOf(CivilDate date) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    time.wDayOfWeek = static_cast<WORD>(weekdayOf(date));
    return time;
}

std::wstring formatDate(const SYSTEMTIME& time, DWORD flags, const wchar_t* picture) {
    const int length =
        GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &time, picture, nullptr, 0, nullptr);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &time, picture, text.data(), length, nullptr);
    text.resize(static_cast<size_t>(length - 1));
    return text;
}

DateNames localeDateNames() {
    DateNames names;
    for (int month = 0; month < 12; ++month) {
        const auto offset = static_cast<LCTYPE>(month);
        names.months[month] = localeInfo(LOCALE_SMONTHNAME1 + offset);
        names.genitiveMonths[month] =
            localeInfo((LOCALE_SMONTHNAME1 + offset) | LOCALE_RETURN_GENITIVE_NAMES);
        names.abbreviatedMonths[month] = localeInfo(LOCALE_SABBREVMONTHNAME1 + offset);
    }
    // The locale counts the week from Monday (day name 1) to Sunday (day name 7).
    for (int weekday = 0; weekday < 7; ++weekday) {
        const auto localeDay = static_cast<LCTYPE>((weekday + 6) % 7);
        names.weekdays[weekday] = localeInfo(LOCALE_SDAYNAME1 + localeDay);
        names.abbreviatedWeekdays[weekday] = localeInfo(LOCALE_SABBREVDAYNAME1 + localeDay);
    }
    // The era is the same for every year the program reaches; ask for it in one the
    // platform formats.
    names.era = formatDate(systemTimeOf(CivilDate{2000, 1, 1}), 0, L"gg");
    return names;
}

// Text in lower or upper case as the locale maps it; unchanged when the mapping fails.
std::wstring mapCase(const wchar_t* locale, DWORD mapping, std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int inputLength = static_cast<int>(text.size());
    const int length =
        LCMapStringEx(locale, mapping, text.data(), inputLength, nullptr, 0, nullptr, nullptr, 0);
    if (length <= 0) {
        return std::wstring(text);
    }
    std::wstring mapped(static_cast<size_t>(length), L'\0');
    LCMapStringEx(locale, mapping, text.data(), inputLength, mapped.data(), length, nullptr,
                  nullptr, 0);
    return mapped;
}

} // namespace

QuoteBookPlatformWin::QuoteBookPlatformWin(std::wstring localeName)
    : localeName_(std::move(localeName)) {}

bool QuoteBookPlatformWin::isKnownLocale(const std::wstring& localeName) {
    return IsValidLocaleName(localeName.c_str()) != FALSE;
}

const wchar_t* QuoteBookPlatformWin::locale() const {
    return localeName_.empty() ? LOCALE_NAME_USER_DEFAULT : localeName_.c_str();
}

DateValue QuoteBookPlatformWin::now() const {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    const double timeOfDay =
        (time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond + time.wMilliseconds / 1000.0) /
        86400.0;
    return dateValueOf(CivilDate{time.wYear, time.wMonth, time.wDay}, timeOfDay).value_or(0.0);
}

std::wstring QuoteBookPlatformWin::monthName(int month) const {
    return localeInfo(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1), locale());
}

std::wstring QuoteBookPlatformWin::toLower(std::wstring_view text) const {
    return mapCase(locale(), LCMAP_LOWERCASE, text);
}

std::wstring QuoteBookPlatformWin::toUpper(std::wstring_view text) const {
    return mapCase(locale(), LCMAP_UPPERCASE, text);
}

std::wstring QuoteBookPlatformWin::decodeAnsi(std::string_view bytes) const {
    if (bytes.empty()) {
        return {};
    }
    const int inputLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), inputLength, nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), inputLength, text.data(), length);
    return text;
}

std::filesystem::path QuoteBookPlatformWin::quoteFilePath() const {
    // The path can exceed MAX_PATH; grow the buffer until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\') + 1);
    return std::filesystem::path(path + L"Quotes.txt");
}

std::wstring longDateFromPicture(DateValue day) {
    return formatLongDate(localeInfo(LOCALE_SLONGDATE), civilDateOf(day), localeDateNames());
}

std::wstring longDateText(DateValue day) {
    const CivilDate date = civilDateOf(day);
    if (date.year >= 1601) {
        return formatDate(systemTimeOf(date), DATE_LONGDATE, nullptr);
    }
    return longDateFromPicture(day);
}

} // namespace quotidia
