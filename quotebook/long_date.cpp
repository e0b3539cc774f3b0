#include "long_date.h"

#include <cstddef>
#include <string>

namespace quotidia {

namespace {

constexpr wchar_t kQuote = L'\'';

constexpr int kYearsPerCentury = 100;

bool isPictureLetter(wchar_t character) {
    return character == L'd' || character == L'M' || character == L'y' || character == L'g';
}

std::size_t runLength(std::wstring_view picture, std::size_t start) {
    std::size_t end = start;
    while (end < picture.size() && picture[end] == picture[start]) {
        ++end;
    }
    return end - start;
}

void appendNumber(std::wstring& out, int value, std::size_t minimumDigits) {
    const std::wstring digits = std::to_wstring(value);
    if (digits.size() < minimumDigits) {
        out.append(minimumDigits - digits.size(), L'0');
    }
    out += digits;
}

// Languages with a genitive month name use it when the month stands beside a day
// number, which a picture shows by holding a numeric day element.
bool hasNumericDay(std::wstring_view picture) {
    bool inLiteral = false;
    for (std::size_t i = 0; i < picture.size();) {
        if (picture[i] == kQuote) {
            inLiteral = !inLiteral;
            ++i;
            continue;
        }
        const std::size_t length = inLiteral ? 1 : runLength(picture, i);
        if (!inLiteral && picture[i] == L'd' && length <= 2) {
            return true;
        }
        i += length;
    }
    return false;
}

// A run of one picture letter ("dddd").
struct PictureElement {
    wchar_t letter;
    std::size_t length;
};

void appendElement(std::wstring& out, PictureElement element, CivilDate date,
                   const DateNames& names, bool genitive) {
    const auto monthIndex = static_cast<std::size_t>(date.month - 1);
    const std::size_t length = element.length;
    switch (element.letter) {
    case L'd':
        if (length <= 2) {
            appendNumber(out, date.day, length);
        } else {
            const auto weekday = static_cast<std::size_t>(weekdayOf(date));
            out += length == 3 ? names.abbreviatedWeekdays.at(weekday) : names.weekdays.at(weekday);
        }
        break;
    case L'M':
        if (length <= 2) {
            appendNumber(out, date.month, length);
        } else if (length == 3) {
            out += names.abbreviatedMonths.at(monthIndex);
        } else {
            out += genitive ? names.genitiveMonths.at(monthIndex) : names.months.at(monthIndex);
        }
        break;
    case L'y':
        if (length <= 2) {
            appendNumber(out, date.year % kYearsPerCentury, length);
        } else {
            appendNumber(out, date.year, 4);
        }
        break;
    default: // g, gg: the era
        out += names.era;
        break;
    }
}

} // namespace

std::wstring formatLongDate(std::wstring_view picture, CivilDate date, const DateNames& names) {
    const bool genitive = hasNumericDay(picture);
    std::wstring out;
    bool inLiteral = false;
    for (std::size_t i = 0; i < picture.size();) {
        const wchar_t character = picture[i];
        if (character == kQuote) {
            // Quoted text is literal; within it, '' stands for one quote.
            if (inLiteral && i + 1 < picture.size() && picture[i + 1] == kQuote) {
                out += kQuote;
                i += 2;
            } else {
                inLiteral = !inLiteral;
                ++i;
            }
        } else if (!inLiteral && isPictureLetter(character)) {
            const std::size_t length = runLength(picture, i);
            appendElement(out, PictureElement{character, length}, date, names, genitive);
            i += length;
        } else {
            out += character;
            ++i;
        }
    }
    return out;
}

} // namespace quotidia
