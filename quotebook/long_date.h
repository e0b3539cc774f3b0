#pragma once
// Formats a date by a locale's long-date picture ("dddd, MMMM d, yyyy"), for the
// years the platform's own date formatting does not reach.

#include "date_value.h"

#include <array>
#include <string>
#include <string_view>

namespace quotidia {

struct DateNames {
    std::array<std::wstring, 12> months;         // "January" ...
    std::array<std::wstring, 12> genitiveMonths; // as used next to a day number; may equal months
    std::array<std::wstring, 12> abbreviatedMonths;
    std::array<std::wstring, 7> weekdays; // "Sunday" ...
    std::array<std::wstring, 7> abbreviatedWeekdays;
    std::wstring era; // "A.D." for the picture's g / gg
};

// The picture's elements: d dd ddd dddd, M MM MMM MMMM, y yy yyyy (yyy and more
// letters read as yyyy), g gg; text in single quotes is literal ('' is a quote);
// every other character stands for itself.
std::wstring formatLongDate(std::wstring_view picture, CivilDate date, const DateNames& names);

} // namespace quotidia
