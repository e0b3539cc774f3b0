#include "key_lookalike.h"

#include "book_check.h"
#include "date_value.h"
#include "day_state.h"
#include "text_units.h"

#include <algorithm>
#include <vector>

namespace quotidia {

namespace {

constexpr bool isDigit(wchar_t character) {
    return character >= L'0' && character <= L'9';
}

// A line outside an entry read as "WORD SEPARATOR DIGITS REST", the way a day key is
// built; the views point into the lower-cased line.
struct KeyShape {
    std::wstring_view word;
    bool abbreviationDot = false;
    std::wstring_view separator;
    std::wstring_view digits;
    std::wstring_view rest;
};

std::size_t countWhile(std::wstring_view text, bool (*accepts)(wchar_t)) {
    return static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), accepts) -
                                    text.begin());
}

bool isWordCharacter(wchar_t character) {
    return !isBlank(character) && !isDigit(character) && character != L'.' && character != L',' &&
           character != L'"';
}

std::optional<KeyShape> monthFirstShape(std::wstring_view text) {
    KeyShape shape;
    shape.word = text.substr(0, countWhile(text, isWordCharacter));
    text.remove_prefix(shape.word.size());
    if (text.starts_with(L'.')) {
        shape.abbreviationDot = true;
        text.remove_prefix(1);
    }
    shape.separator = text.substr(0, countWhile(text, isBlank<wchar_t>));
    text.remove_prefix(shape.separator.size());
    shape.digits = text.substr(0, countWhile(text, isDigit));
    text.remove_prefix(shape.digits.size());
    shape.rest = text;
    if (shape.word.empty() || shape.digits.empty()) {
        return std::nullopt;
    }
    return shape;
}

// The day of the month the digits name, 0 when it cannot be one.
int dayNumberOf(std::wstring_view digits) {
    constexpr std::size_t kMaxDigits = 3;
    if (digits.size() > kMaxDigits) {
        return 0;
    }
    int number = 0;
    for (const wchar_t digit : digits) {
        number = number * 10 + (digit - L'0');
    }
    return number;
}

} // namespace

KeyLookalikes::KeyLookalikes(const QuoteBookPlatform& platform) : platform_(platform) {
    for (std::size_t month = 0; month < lowerMonths_.size(); ++month) {
        months_[month] = platform.monthName(static_cast<int>(month) + 1);
        lowerMonths_[month] = platform.toLower(months_[month]);
    }
}

std::optional<int> KeyLookalikes::monthOf(std::wstring_view lowerWord) const {
    const auto found = std::find(lowerMonths_.begin(), lowerMonths_.end(), lowerWord);
    if (found == lowerMonths_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - lowerMonths_.begin()) + 1;
}

// The month of which the word is a shortened form, at least three characters long.
std::optional<int> KeyLookalikes::abbreviatedMonthOf(std::wstring_view lowerWord) const {
    constexpr std::size_t kShortestAbbreviation = 3;
    if (lowerWord.size() < kShortestAbbreviation) {
        return std::nullopt;
    }
    const auto found = std::find_if(
        lowerMonths_.begin(), lowerMonths_.end(), [lowerWord](const std::wstring& month) {
            return month.size() > lowerWord.size() && month.starts_with(lowerWord);
        });
    if (found == lowerMonths_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - lowerMonths_.begin()) + 1;
}

// Why a line that is no key line yet looks like one does not match; nullopt when the
// line does not look like a key line at all.
std::optional<std::wstring> KeyLookalikes::whyNoKey(std::wstring_view trimmedText) const {
    const std::wstring lower = platform_.toLower(trimmedText);
    // Lower-casing keeps the length, so offsets into it hold for the original text.
    const std::wstring_view original = lower.size() == trimmedText.size() ? trimmedText : lower;
    std::wstring_view body = lower;
    std::wstring_view afterQuote;
    if (body.starts_with(L'"')) {
        body.remove_prefix(1);
        if (const std::size_t closing = body.find(L'"'); closing != std::wstring_view::npos) {
            afterQuote = body.substr(closing + 1);
            body = body.substr(0, closing);
        }
        body = trimBlanks(body);
    }
    const auto originalOf = [&](std::wstring_view part) {
        return original.substr(static_cast<std::size_t>(part.data() - lower.data()), part.size());
    };

    const std::optional<KeyShape> shape = monthFirstShape(body);
    if (!shape) {
        // The day before the month, as in "6 December".
        const std::size_t digitCount = countWhile(body, isDigit);
        const std::wstring_view afterDigits = trimBlanks(body.substr(digitCount));
        if (digitCount > 0 && afterDigits.size() < body.size() - digitCount &&
            (monthOf(afterDigits) || abbreviatedMonthOf(afterDigits))) {
            return L"the day comes before the month; a key is the month name, one space and "
                   L"the day";
        }
        return std::nullopt;
    }
    const std::optional<int> fullMonth = monthOf(shape->word);
    const std::optional<int> month = fullMonth ? fullMonth : abbreviatedMonthOf(shape->word);
    const int day = dayNumberOf(shape->digits);
    std::vector<std::wstring> reasons;
    if (!month) {
        // Any other word only when the rest is shaped exactly like a key.
        if (shape->abbreviationDot || shape->separator != L" " || !shape->rest.empty() ||
            !afterQuote.empty() || day < 1 || day > 31 || shape->digits.starts_with(L'0')) {
            return std::nullopt;
        }
        return inQuotes(originalOf(shape->word)) + L" is not a month name of this locale";
    }
    const std::wstring& monthName = months_.at(static_cast<std::size_t>(*month - 1));
    if (!fullMonth || shape->abbreviationDot) {
        reasons.push_back(L"the month name is shortened (write " + inQuotes(monthName) + L")");
    }
    if (shape->separator != L" ") {
        reasons.push_back(L"the month and the day need exactly one space between them");
    }
    if (shape->digits.size() > 1 && shape->digits.starts_with(L'0')) {
        reasons.push_back(L"the day has a leading zero");
    }
    const bool dayExists = day >= 1 && day <= daysInMonth(kKeyCalendarYear, *month);
    if (!dayExists) {
        reasons.push_back(L"there is no day " + std::wstring(shape->digits) + L" in " + monthName);
    }
    if (!shape->rest.empty() || !afterQuote.empty()) {
        const std::wstring_view trailing = shape->rest.empty() ? afterQuote : shape->rest;
        reasons.push_back(L"text follows the day (" + inQuotes(originalOf(trailing)) + L")");
    }
    if (reasons.empty()) {
        reasons.push_back(L"it does not read as one day key");
    }
    std::wstring message;
    for (const std::wstring& reason : reasons) {
        message += (message.empty() ? L"" : L"; ") + reason;
    }
    if (dayExists) {
        message += L"; the key is " + inQuotes(monthName + L' ' + std::to_wstring(day));
    }
    return message;
}

} // namespace quotidia
