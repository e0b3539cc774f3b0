#include "book_check.h"

#include "block_reader.h"
#include "date_value.h"
#include "day_state.h"
#include "entry_fit.h"
#include "key_line.h"
#include "key_lookalike.h"
#include "line_scanner.h"
#include "quote_lookup.h"
#include "text_units.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace quotidia {

namespace {

std::wstring hex4(unsigned value) {
    constexpr std::wstring_view kDigits = L"0123456789ABCDEF";
    std::wstring text;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += kDigits[(value >> static_cast<unsigned>(shift)) & 0xFu];
    }
    return text;
}

// The first C0 or C1 control character of a line (line ends never are in it), or DEL.
std::optional<wchar_t> firstControlCharacter(std::wstring_view text) {
    const auto isControl = [](wchar_t character) {
        constexpr wchar_t kFirstPrintable = L'\x20';
        constexpr wchar_t kDelete = L'\x7F';
        constexpr wchar_t kLastC1 = L'\x9F';
        return character < kFirstPrintable || (character >= kDelete && character <= kLastC1);
    };
    const auto found = std::find_if(text.begin(), text.end(), isControl);
    return found == text.end() ? std::nullopt : std::optional<wchar_t>{*found};
}

std::wstring controlCharacterName(wchar_t character) {
    std::wstring name = L"U+" + hex4(static_cast<unsigned>(character));
    switch (character) {
    case L'\0':
        return name + L" (NUL)";
    case L'\t':
        return name + L" (tab)";
    case L'\v':
        return name + L" (vertical tab)";
    case L'\f':
        return name + L" (form feed)";
    case L'\x1A':
        return name + L" (end-of-file mark)";
    case L'\x1B':
        return name + L" (escape)";
    case L'\x7F':
        return name + L" (delete)";
    default:
        return name;
    }
}

// The units of a line that are held and judged: enough for the most text the program
// shows of an entry, however the file spends its units on characters.
template <typename Unit>
constexpr std::size_t kJudgedLineUnits = kMaxQuoteTextLength* kMaxUnitsPerCharacter<Unit>;

// The UTF-16 units a text takes, as the program counts the text it shows.
std::size_t utf16Length(std::wstring_view text) {
    constexpr auto kLastBmpCharacter = static_cast<std::uint32_t>(0xFFFF);
    return text.size() +
           static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](wchar_t character) {
               return static_cast<std::uint32_t>(character) > kLastBmpCharacter;
           }));
}

const std::vector<CivilDate>& keyDates() {
    static const std::vector<CivilDate> dates = everyKeyDate();
    return dates;
}

class BookChecker {
  public:
    BookChecker(const QuoteBookPlatform& platform, QuotationFit* fit);

    // False when reading stopped at a read error.
    template <typename Unit> bool read(BlockReader& reader);

    CheckResult takeResult();

  private:
    struct OpenEntry {
        std::size_t day = 0;
        std::uint64_t keyLine = 0;
        std::uint64_t quotationLines = 0;
        std::size_t shownLength = 0; // UTF-16 units of the text the lookup returns for it
    };

    template <typename Unit> void judgeLine(const typename LineScanner<Unit>::Line& line);
    template <typename Unit>
    std::optional<std::size_t> dayOfKeyLine(std::basic_string_view<Unit> trimmedLine);
    void startEntry(std::size_t day, std::uint64_t keyLine);
    void endEntry();
    void endEntryAtEndOfFile();
    void judgeQuotationLine(std::uint64_t number, std::wstring_view text, bool cut,
                            std::optional<std::size_t> keyLineDay);
    void judgeLineOutsideEntries(std::uint64_t number, std::wstring_view trimmedText);
    // Counts a problem, and lists it while its kind has room; the message is made only
    // then.
    template <typename MakeMessage>
    void report(std::uint64_t line, ProblemKind kind, MakeMessage makeMessage);

    // The key of a day, 0 for January 1 ... 365 for December 31, as the program spells it.
    std::wstring keyOf(std::size_t day) const;
    std::optional<std::size_t> dayOfLowerItem(std::wstring_view lowerItem) const;

    const QuoteBookPlatform& platform_;
    QuotationFit* fit_;
    std::wstring entryText_; // the open entry's text as the lookup returns it, while measured
    // The date of each day's key, worked out once.
    const std::vector<CivilDate>& dates_ = keyDates();
    std::array<std::wstring, 12> lowerMonths_;
    std::array<std::size_t, 12> firstDayOfMonth_{};
    // The program's matcher of each day, made when a line first needs it: most books of
    // a few lines need few of them.
    std::vector<std::unique_ptr<KeyLineMatcher>> matchers_;
    std::size_t longestLowerKey_ = 0;
    // Reused from line to line.
    std::wstring lineText_;
    std::wstring itemText_;
    KeyLookalikes lookalikes_;
    std::vector<std::uint64_t> lastEntryLine_; // per day; 0 while the day has none
    std::optional<OpenEntry> entry_;
    CheckResult result_;
};

// Only the twelve month names are asked of the platform here; a day's key and matcher
// are made when they are needed, so that checking a short book costs little.
BookChecker::BookChecker(const QuoteBookPlatform& platform, QuotationFit* fit)
    : platform_(platform), fit_(fit), lookalikes_(platform) {
    constexpr std::size_t kLongestDayNumber = 2;
    for (std::size_t month = 0; month < lowerMonths_.size(); ++month) {
        lowerMonths_[month] = platform.toLower(platform.monthName(static_cast<int>(month) + 1));
        longestLowerKey_ =
            std::max(longestLowerKey_, lowerMonths_[month].size() + 1 + kLongestDayNumber);
    }
    for (std::size_t day = dates_.size(); day > 0; --day) {
        firstDayOfMonth_.at(static_cast<std::size_t>(dates_[day - 1].month - 1)) = day - 1;
    }
    lastEntryLine_.assign(dates_.size(), 0);
    matchers_.resize(dates_.size());
}

std::wstring BookChecker::keyOf(std::size_t day) const {
    return DayKeyFor(*dateValueOf(dates_[day]), platform_);
}

// The day whose key, lower-cased, the item is: a month name, one space and the day of the
// month without a leading zero, as DayKeyFor builds a key.
std::optional<std::size_t> BookChecker::dayOfLowerItem(std::wstring_view lowerItem) const {
    const std::size_t space = lowerItem.rfind(L' ');
    if (space == std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::wstring_view digits = lowerItem.substr(space + 1);
    const auto isDigit = [](wchar_t character) {
        return character >= L'0' && character <= L'9';
    };
    if (digits.empty() || digits.size() > 2 || digits.front() == L'0' ||
        !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return std::nullopt;
    }
    const int dayOfMonth =
        digits.size() == 1 ? digits[0] - L'0' : (digits[0] - L'0') * 10 + (digits[1] - L'0');
    const auto month =
        std::find(lowerMonths_.begin(), lowerMonths_.end(), lowerItem.substr(0, space));
    if (month == lowerMonths_.end()) {
        return std::nullopt;
    }
    const auto monthIndex = static_cast<std::size_t>(month - lowerMonths_.begin());
    if (dayOfMonth > daysInMonth(kKeyCalendarYear, static_cast<int>(monthIndex) + 1)) {
        return std::nullopt;
    }
    return firstDayOfMonth_.at(monthIndex) + static_cast<std::size_t>(dayOfMonth) - 1;
}

template <typename Unit> bool BookChecker::read(BlockReader& reader) {
    LineScanner<Unit> lines(reader);
    while (const auto line = lines.nextLine(kJudgedLineUnits<Unit>)) {
        judgeLine<Unit>(*line);
    }
    if (lines.failed()) {
        return false;
    }
    endEntryAtEndOfFile();
    for (std::size_t day = 0; day < dates_.size(); ++day) {
        if (lastEntryLine_[day] == 0) {
            report(0, ProblemKind::missingDay,
                   [&] { return L"no entry for " + inQuotes(keyOf(day)); });
        }
    }
    return true;
}

// Lines are judged as the lookup judges them: outside an entry each line on its own as
// a possible key line; inside one, every line is a quotation line up to an empty line.
// A line cut short is judged by its whole characters, as the lookup shows it.
template <typename Unit> void BookChecker::judgeLine(const typename LineScanner<Unit>::Line& line) {
    const std::uint64_t number = line.number;
    std::wstring& text = lineText_;
    text.clear();
    appendLineText(text, line.cut ? wholeCharacters(line.text) : line.text, platform_);
    if (const std::optional<wchar_t> control = firstControlCharacter(text)) {
        report(number, ProblemKind::controlCharacter, [&] {
            return L"the line holds the control character " + controlCharacterName(*control);
        });
    }
    const std::basic_string_view<Unit> trimmed = trimBlanks(line.text);
    if (entry_) {
        if (line.text.empty() && !line.cut) {
            endEntry();
            return;
        }
        if (fit_ != nullptr) {
            appendQuotationLine(entryText_, text);
        }
        judgeQuotationLine(number, text, line.cut, dayOfKeyLine(trimmed));
        return;
    }
    if (trimmed.empty()) {
        return;
    }
    if (const std::optional<std::size_t> day = dayOfKeyLine(trimmed)) {
        startEntry(*day, number);
        return;
    }
    judgeLineOutsideEntries(number, trimBlanks<wchar_t>(text));
}

// The day whose key line this is. The lower-cased item finds the candidate day; the
// program's own matcher for that day has the last word.
template <typename Unit>
std::optional<std::size_t> BookChecker::dayOfKeyLine(std::basic_string_view<Unit> trimmedLine) {
    const auto item = keyItemOf(trimmedLine);
    if (!item || item->size() > longestLowerKey_ * kMaxUnitsPerCharacter<Unit>) {
        return std::nullopt;
    }
    itemText_.clear();
    appendLineText(itemText_, *item, platform_);
    const std::optional<std::size_t> day = dayOfLowerItem(platform_.toLower(itemText_));
    if (!day) {
        return std::nullopt;
    }
    std::unique_ptr<KeyLineMatcher>& matcher = matchers_[*day];
    if (!matcher) {
        matcher = std::make_unique<KeyLineMatcher>(keyOf(*day), platform_);
    }
    if (!matcher->matches(trimmedLine)) {
        return std::nullopt;
    }
    return day;
}

void BookChecker::startEntry(std::size_t day, std::uint64_t keyLine) {
    if (lastEntryLine_[day] != 0) {
        report(lastEntryLine_[day], ProblemKind::shadowedEntry, [&] {
            return L"the entry for " + inQuotes(keyOf(day)) +
                   L" is hidden by the later entry at line " + std::to_wstring(keyLine) +
                   L"; Quotidia shows only the last one";
        });
    }
    lastEntryLine_[day] = keyLine;
    entry_ = OpenEntry{day, keyLine, 0, 0};
}

void BookChecker::endEntry() {
    if (entry_->quotationLines == 0) {
        report(entry_->keyLine, ProblemKind::emptyEntry, [&] {
            return L"the entry for " + inQuotes(keyOf(entry_->day)) +
                   L" has no quotation lines: an empty line follows its key line";
        });
    } else if (fit_ != nullptr) {
        if (const int overflowing = fit_->overflowingLines(entryText_); overflowing > 0) {
            report(entry_->keyLine, ProblemKind::entryTooLong,
                   [&] { return entryTooLongMessage(keyOf(entry_->day), overflowing); });
        }
    }
    entryText_.clear();
    entry_.reset();
}

void BookChecker::endEntryAtEndOfFile() {
    if (!entry_) {
        return;
    }
    if (entry_->quotationLines == 0) {
        report(entry_->keyLine, ProblemKind::emptyEntry, [&] {
            return L"the entry for " + inQuotes(keyOf(entry_->day)) +
                   L" has no quotation lines: the file ends after its key line";
        });
    } else {
        report(entry_->keyLine, ProblemKind::entryRunsToEnd, [&] {
            return L"the entry for " + inQuotes(keyOf(entry_->day)) +
                   L" runs into the end of the file; end it with an empty line";
        });
    }
    entryText_.clear();
    entry_.reset();
}

void BookChecker::judgeQuotationLine(std::uint64_t number, std::wstring_view text, bool cut,
                                     std::optional<std::size_t> keyLineDay) {
    ++entry_->quotationLines;
    // The lookup keeps the entry's first kMaxQuoteTextLength units, separators included;
    // a cut line holds more than that by itself.
    if (entry_->shownLength <= kMaxQuoteTextLength) {
        entry_->shownLength = cut ? SIZE_MAX : entry_->shownLength + 1 + utf16Length(text);
        if (entry_->shownLength > kMaxQuoteTextLength) {
            report(entry_->keyLine, ProblemKind::entryOverLimit, [&] {
                return L"the entry for " + inQuotes(keyOf(entry_->day)) + L" is longer than the " +
                       std::to_wstring(kMaxQuoteTextLength) +
                       L" characters Quotidia shows; its text is cut off at line " +
                       std::to_wstring(number);
            });
        }
    }
    const std::wstring_view trimmedText = trimBlanks<wchar_t>(text);
    if (trimmedText.empty() && !cut) {
        report(number, ProblemKind::blankLineInEntry, [&] {
            return L"a line of only blanks inside the entry for " + inQuotes(keyOf(entry_->day)) +
                   L" is shown as a quotation line; only an empty line ends an entry";
        });
    } else if (keyLineDay == entry_->day) {
        report(number, ProblemKind::keyInsideEntry, [&] {
            return L"the key line " + inQuotes(trimmedText) +
                   L" repeats inside its own entry (begun at line " +
                   std::to_wstring(entry_->keyLine) + L") and is shown as a quotation line";
        });
    } else if (keyLineDay) {
        report(number, ProblemKind::keyInsideEntry, [&] {
            return L"the quotation line " + inQuotes(trimmedText) + L" in the entry for " +
                   inQuotes(keyOf(entry_->day)) + L" is the key line of " +
                   inQuotes(keyOf(*keyLineDay)) +
                   L": looking up that day starts here and shows the rest of this entry";
        });
    }
}

void BookChecker::judgeLineOutsideEntries(std::uint64_t number, std::wstring_view trimmedText) {
    if (const std::optional<std::wstring> reason = lookalikes_.whyNoKey(trimmedText)) {
        report(number, ProblemKind::unmatchableKey, [&] {
            return inQuotes(trimmedText) + L" looks like a day key but matches no day: " + *reason;
        });
    }
}

template <typename MakeMessage>
void BookChecker::report(std::uint64_t line, ProblemKind kind, MakeMessage makeMessage) {
    std::uint64_t& count = result_.counts.at(static_cast<std::size_t>(kind));
    if (count < kListedProblemsPerKind) {
        result_.listed.push_back(Problem{line, kind, makeMessage()});
    }
    ++count;
}

CheckResult BookChecker::takeResult() {
    // Problems found later about earlier lines (a hidden entry, one too long) take their
    // line's place; those of the book as a whole come last.
    std::stable_sort(
        result_.listed.begin(), result_.listed.end(), [](const Problem& a, const Problem& b) {
            return (a.line == 0 ? UINT64_MAX : a.line) < (b.line == 0 ? UINT64_MAX : b.line);
        });
    return std::move(result_);
}

} // namespace

std::uint64_t CheckResult::total() const {
    std::uint64_t sum = 0;
    for (const std::uint64_t count : counts) {
        sum += count;
    }
    return sum;
}

std::wstring inQuotes(std::wstring_view text) {
    if (text.size() > kLongestQuotedText) {
        std::size_t length = kLongestQuotedText;
        if constexpr (sizeof(wchar_t) == 2) {
            // Where wchar_t holds UTF-16, a character is not cut in half.
            constexpr wchar_t kFirstLead = 0xD800;
            constexpr wchar_t kLastLead = 0xDBFF;
            if (text[length - 1] >= kFirstLead && text[length - 1] <= kLastLead) {
                --length;
            }
        }
        return L'"' + std::wstring(text.substr(0, length)) + L"\u2026\"";
    }
    return L'"' + std::wstring(text) + L'"';
}

std::optional<CheckResult> checkBook(std::istream& book, const QuoteBookPlatform& platform,
                                     QuotationFit* fit) {
    BlockReader reader(book);
    BookChecker checker(platform, fit);
    const bool whole = readByteOrderMark(reader) == QuoteFileEncoding::utf16Le
                           ? checker.read<char16_t>(reader)
                           : checker.read<char>(reader);
    if (!whole) {
        return std::nullopt;
    }
    return checker.takeResult();
}

std::vector<std::wstring> allDayKeys(const QuoteBookPlatform& platform) {
    std::vector<std::wstring> keys;
    for (const CivilDate& date : everyKeyDate()) {
        keys.push_back(DayKeyFor(*dateValueOf(date), platform));
    }
    return keys;
}

} // namespace quotidia
