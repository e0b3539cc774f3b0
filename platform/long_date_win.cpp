#include "long_date_win.h"

#include "locale_info_win.h"
#include "long_date.h"

#include <windows.h>

namespace quotidia {

namespace {

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

} // namespace

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
