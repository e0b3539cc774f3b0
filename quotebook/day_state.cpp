#include "day_state.h"

#include <string>
#include <utility>

namespace quotidia {

std::wstring DayKeyFor(DateValue day, const QuoteBookPlatform& platform) {
    const CivilDate date = civilDateOf(day);
    return platform.monthName(date.month) + L' ' + std::to_wstring(date.day);
}

std::vector<CivilDate> everyKeyDate() {
    constexpr int kMonths = 12;
    std::vector<CivilDate> dates;
    for (int month = 1; month <= kMonths; ++month) {
        for (int day = 1; day <= daysInMonth(kKeyCalendarYear, month); ++day) {
            dates.push_back(CivilDate{kKeyCalendarYear, month, day});
        }
    }
    return dates;
}

void initialiseToPresent(DayState& state, const QuoteBookPlatform& platform) {
    const DateValue present = platform.now();
    state.DayKey = DayKeyFor(present, platform);
    state.CurrentDay = present;
}

bool StepDay(DayState& state, StepDirection direction, const QuoteBookPlatform& platform) {
    const std::optional<DateValue> nextDay = addDays(state.CurrentDay, static_cast<int>(direction));
    if (!nextDay) {
        return false;
    }
    // The key is built before anything is stored, so a failure leaves the state whole.
    std::wstring nextKey = DayKeyFor(*nextDay, platform);
    state.CurrentDay = *nextDay;
    state.DayKey = std::move(nextKey);
    return true;
}

} // namespace quotidia
