#include "day_line_rules.h"

#include "date_value.h"
#include "day_state.h"
#include "text_encodings.h"

#include <algorithm>

namespace quotidia {

namespace {

// A leap year, so that the calendar has February 29.
constexpr int kLeapYear = 2000;

enum class CaseStyle { asWritten, upper, lower, capitalised };

std::wstring capitalised(std::wstring_view name, const QuoteBookPlatform& platform) {
    if (name.empty()) {
        return {};
    }
    return platform.toUpper(name.substr(0, 1)) + platform.toLower(name.substr(1));
}

CaseStyle caseStyleOf(std::wstring_view word, const std::wstring& name,
                      const QuoteBookPlatform& platform) {
    if (word == name) {
        return CaseStyle::asWritten;
    }
    if (word == platform.toUpper(name)) {
        return CaseStyle::upper;
    }
    if (word == platform.toLower(name)) {
        return CaseStyle::lower;
    }
    if (word == capitalised(name, platform)) {
        return CaseStyle::capitalised;
    }
    return CaseStyle::asWritten;
}

std::wstring inCaseStyle(CaseStyle style, const std::wstring& name,
                         const QuoteBookPlatform& platform) {
    switch (style) {
    case CaseStyle::upper:
        return platform.toUpper(name);
    case CaseStyle::lower:
        return platform.toLower(name);
    case CaseStyle::capitalised:
        return capitalised(name, platform);
    case CaseStyle::asWritten:
        break;
    }
    return name;
}

} // namespace

DayLineRules::DayLineRules(const QuoteBookPlatform& from, const QuoteBookPlatform& to,
                           BookEncoding encoding)
    : from_(from), to_(to), encoding_(encoding), ansi_(to) {
    for (int month = 1; month <= kMonths; ++month) {
        fromMonths_.at(month - 1) = from.monthName(month);
        toMonths_.at(month - 1) = to.monthName(month);
        for (int day = 1; day <= daysInMonth(kLeapYear, month); ++day) {
            const DateValue date = *dateValueOf(CivilDate{kLeapYear, month, day});
            std::wstring lowerKey = from.toLower(DayKeyFor(date, from));
            longestLowerKey_ = std::max(longestLowerKey_, lowerKey.size());
            dayOfLowerKey_.emplace(std::move(lowerKey), DayOf{month, toMatchers_.size()});
            toMatchers_.push_back(std::make_unique<KeyLineMatcher>(DayKeyFor(date, to), to));
        }
    }
}

template <typename Unit>
Judgement<Unit> DayLineRules::judge(std::basic_string_view<Unit> trimmedLine) {
    using Kind = typename Judgement<Unit>::Kind;
    constexpr std::size_t kMaxUnitsPerCharacter = 4;
    const auto item = keyItemOf(trimmedLine);
    if (!item || item->size() > longestLowerKey_ * kMaxUnitsPerCharacter) {
        return {};
    }
    std::wstring text;
    appendLineText(text, *item, from_);
    const auto found = dayOfLowerKey_.find(from_.toLower(text));
    const std::size_t space = text.rfind(L' ');
    if (found == dayOfLowerKey_.end() || space == std::wstring::npos) {
        return {};
    }
    const DayOf day = found->second;
    const std::wstring_view word = std::wstring_view(text).substr(0, space);
    const std::wstring_view digits = std::wstring_view(text).substr(space);
    const std::wstring& fromName = fromMonths_.at(day.month - 1);
    const std::wstring& toName = toMonths_.at(day.month - 1);
    const auto prefix =
        trimmedLine.substr(0, static_cast<std::size_t>(item->data() - trimmedLine.data()));
    const auto suffix = trimmedLine.substr(prefix.size() + item->size());

    // The line's own style first; the name as the locale writes it when that style
    // would not be read back as the key.
    std::wstring unwritable;
    for (const CaseStyle style : {caseStyleOf(word, fromName, from_), CaseStyle::asWritten}) {
        const std::wstring newItem = inCaseStyle(style, toName, to_) + std::wstring(digits);
        const std::optional<std::basic_string<Unit>> units = encode<Unit>(newItem);
        if (!units) {
            unwritable = newItem;
            continue;
        }
        std::basic_string<Unit> line(prefix);
        line += *units;
        line += suffix;
        if (toMatchers_[day.index]->matches(std::basic_string_view<Unit>(line))) {
            return {Kind::rewritten, std::move(line), {}};
        }
    }
    std::wstring message = L"\"" + text + L"\" cannot be rewritten: ";
    if (!unwritable.empty()) {
        message += L"\"" + unwritable + L"\" has no spelling in the book's ANSI code page";
    } else {
        message += L"the key \"" + toName + std::wstring(digits) +
                   L"\" would not be read back as a key line";
    }
    return {Kind::failed, {}, std::move(message)};
}

template <typename Unit>
std::optional<std::basic_string<Unit>> DayLineRules::encode(const std::wstring& text) const {
    if constexpr (sizeof(Unit) == 2) {
        return utf16Of(text);
    } else {
        return encoding_ == BookEncoding::ansi ? ansi_.encode(text)
                                               : std::optional<std::string>{utf8Of(text)};
    }
}

template Judgement<char> DayLineRules::judge(std::string_view trimmedLine);
template Judgement<char16_t> DayLineRules::judge(std::u16string_view trimmedLine);

} // namespace quotidia
