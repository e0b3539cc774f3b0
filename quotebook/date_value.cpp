#include "date_value.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace quotidia {

namespace {

// Days from 1 January 1970 to 30 December 1899, the origin of date values.
constexpr long long kUnixEpochDayOfOrigin = -25569;

constexpr long long kYearsPerEra = 400;
constexpr long long kDaysPerEra = 146097;
// Days from 1 March of the year 0, where the calendar's eras begin, to 1 January 1970.
constexpr long long kEraStartToUnixEpoch = 719468;

// Days since 1 January 1970 of a proleptic Gregorian date; works for any year by
// counting in 400-year eras that begin on 1 March (so the leap day ends an era year).
constexpr long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - (kYearsPerEra - 1)) / kYearsPerEra;
    const auto yearOfEra = static_cast<unsigned>(year - era * kYearsPerEra);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + static_cast<long long>(dayOfEra) - kEraStartToUnixEpoch;
}

constexpr CivilDate civilFromDays(long long days) {
    days += kEraStartToUnixEpoch;
    const long long era = (days >= 0 ? days : days - (kDaysPerEra - 1)) / kDaysPerEra;
    const auto dayOfEra = static_cast<unsigned>(days - era * kDaysPerEra);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const long long year =
        static_cast<long long>(yearOfEra) + era * kYearsPerEra + (month <= 2 ? 1 : 0);
    return CivilDate{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;
constexpr long long kFirstDayNumber = static_cast<long long>(kFirstDateValue);
constexpr long long kLastDayNumber = static_cast<long long>(kLastDateValue);

// A date value split into its day number (the integer part, toward zero) and its
// time of day (the magnitude of the fraction), which is how negative values read.
struct DayAndTime {
    long long dayNumber;
    double timeOfDay;
};

// Values outside the range (a faulty clock, say) are pinned to its nearest end so
// that no conversion to an integer can overflow.
DayAndTime split(DateValue value) {
    if (std::isnan(value)) {
        return {0, 0.0};
    }
    if (value <= kFirstDateValue - 1.0) {
        return {kFirstDayNumber, 0.0};
    }
    if (value >= kLastDateValue + 1.0) {
        return {kLastDayNumber, 0.0};
    }
    const double wholeDays = std::trunc(value);
    return {static_cast<long long>(wholeDays), std::fabs(value - wholeDays)};
}

DateValue join(long long dayNumber, double timeOfDay) {
    const auto wholeDays = static_cast<double>(dayNumber);
    return dayNumber < 0 ? wholeDays - timeOfDay : wholeDays + timeOfDay;
}

} // namespace

bool isValidDateValue(DateValue value) {
    return value > kFirstDateValue - 1.0 && value < kLastDateValue + 1.0;
}

bool isLeapYear(int year) {
    constexpr int kYearsPerLeapCycle = 4;
    constexpr int kYearsPerCentury = 100;
    constexpr auto kYearsPerGregorianCycle = static_cast<int>(kYearsPerEra);
    return (year % kYearsPerLeapCycle == 0 && year % kYearsPerCentury != 0) ||
           year % kYearsPerGregorianCycle == 0;
}

int daysInMonth(int year, int month) {
    constexpr std::array<int, 12> kDaysInCommonYear = {31, 28, 31, 30, 31, 30,
                                                       31, 31, 30, 31, 30, 31};
    constexpr int kFebruary = 2;
    if (month < 1 || month > static_cast<int>(kDaysInCommonYear.size())) {
        return 0;
    }
    const int leapDay = month == kFebruary && isLeapYear(year) ? 1 : 0;
    return kDaysInCommonYear.at(static_cast<std::size_t>(month - 1)) + leapDay;
}

std::optional<DateValue> dateValueOf(CivilDate date) {
    return dateValueOf(date, 0.0);
}

std::optional<DateValue> dateValueOf(CivilDate date, double timeOfDay) {
    if (date.year < kFirstYear || date.year > kLastYear || date.day < 1 ||
        date.day > daysInMonth(date.year, date.month) || !(timeOfDay >= 0.0 && timeOfDay < 1.0)) {
        return std::nullopt;
    }
    const long long dayNumber = daysFromCivil(date.year, static_cast<unsigned>(date.month),
                                              static_cast<unsigned>(date.day)) -
                                kUnixEpochDayOfOrigin;
    return join(dayNumber, timeOfDay);
}

CivilDate civilDateOf(DateValue value) {
    return civilFromDays(split(value).dayNumber + kUnixEpochDayOfOrigin);
}

double timeOfDayOf(DateValue value) {
    return split(value).timeOfDay;
}

int weekdayOf(CivilDate date) {
    const long long days = daysFromCivil(date.year, static_cast<unsigned>(date.month),
                                         static_cast<unsigned>(date.day));
    constexpr long long kDaysPerWeek = 7;
    constexpr long long kWeekdayOfUnixEpoch = 4; // 1 January 1970 was a Thursday
    const long long weekday = (days + kWeekdayOfUnixEpoch) % kDaysPerWeek;
    return static_cast<int>(weekday < 0 ? weekday + kDaysPerWeek : weekday);
}

std::optional<DateValue> addDays(DateValue value, int days) {
    if (!isValidDateValue(value)) {
        return std::nullopt;
    }
    const DayAndTime parts = split(value);
    const long long dayNumber = parts.dayNumber + days;
    if (dayNumber < kFirstDayNumber || dayNumber > kLastDayNumber) {
        return std::nullopt;
    }
    return join(dayNumber, parts.timeOfDay);
}

} // namespace quotidia
