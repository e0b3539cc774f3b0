#pragma once
// The date value: a calendar date and time of day held as a count of days since
// 30 December 1899, the fraction being the time of day. Before that day the count is
// negative and the fraction still adds time: -1.25 is 29 December 1899, 06:00.

#include <optional>

namespace quotidia {

using DateValue = double;

struct CivilDate {
    int year = 1899; // 100 ... 9999 within the valid range
    int month = 12;  // 1 ... 12
    int day = 30;    // 1 ... 31

    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// The valid range: 1 January 100 to 31 December 9999, any time of day.
inline constexpr DateValue kFirstDateValue = -657434.0;
inline constexpr DateValue kLastDateValue = 2958465.0;

bool isValidDateValue(DateValue value);

// Day count of a calendar date (midnight); nullopt for a date that does not exist
// or lies outside the valid range.
std::optional<DateValue> dateValueOf(CivilDate date);

// A date value from its date and its time of day (0 <= timeOfDay < 1).
std::optional<DateValue> dateValueOf(CivilDate date, double timeOfDay);

// The calendar date of a valid date value (its time of day ignored).
CivilDate civilDateOf(DateValue value);

// The time of day of a date value as a fraction of a day, 0 <= result < 1.
double timeOfDayOf(DateValue value);

// 0 = Sunday ... 6 = Saturday.
int weekdayOf(CivilDate date);

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// The same time of day, `days` calendar days later (earlier when negative);
// nullopt when that leaves the valid range.
std::optional<DateValue> addDays(DateValue value, int days);

} // namespace quotidia
