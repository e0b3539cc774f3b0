#pragma once
// The day being shown, the key by which it is found in the quote file, and the text
// found for it. The main window is the only writer.

#include "date_value.h"
#include "quotebook_platform.h"

#include <string>
#include <vector>

namespace quotidia {

struct DayState {
    DateValue CurrentDay = 0.0;
    std::wstring DayKey;
    std::wstring QuoteText;
};

// The key of a date: the locale's full month name, one space, the day of the month
// without leading zero ("December 6").
std::wstring DayKeyFor(DateValue day, const QuoteBookPlatform& platform);

// A day key names no year; the calendar of keys is that of this leap year, which has
// February 29.
inline constexpr int kKeyCalendarYear = 2000;

// The 366 dates the day keys name, January 1 to December 31 of kKeyCalendarYear.
std::vector<CivilDate> everyKeyDate();

// Sets DayKey to today's key and CurrentDay to the present moment.
void initialiseToPresent(DayState& state, const QuoteBookPlatform& platform);

enum class StepDirection { back = -1, forward = +1 };

// Moves CurrentDay one calendar day, keeping its time of day, and rebuilds DayKey.
// A step that would leave the valid date range is refused: nothing changes and the
// result is false. QuoteText is the caller's to refresh.
bool StepDay(DayState& state, StepDirection direction, const QuoteBookPlatform& platform);

} // namespace quotidia
