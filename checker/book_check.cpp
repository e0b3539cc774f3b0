#include "book_check.h"

#include "block_reader.h"
#include "date_value.h"
#include "day_state.h"
#include "entry_fit.h"
#include "key_line.h"
#include "key_lookalike.h"
#include "line_scanner.h"
#include "text_units.h"

#include <algorithm>
#include <string>
#include <unordered_map>

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

class BookChecker {
  public:
    BookChecker(const QuoteBookPlatform& platform, QuotationFit* fit);

    // False when reading stopped at a read error.
    template <typename Unit> bool read(BlockReader& reader);

    std::vector<Problem> takeProblems();

  private:
    struct OpenEntry {
        std::size_t day = 0;
        std::uint64_t keyLine = 0;
        std::uint64_t quotationLines = 0;
    };

    template <typename Unit>
    void judgeLine(std::uint64_t number, std::basic_string_view<Unit> line);
    template <typename Unit>
    std::optional<std::size_t> dayOfKeyLine(std::basic_string_view<Unit> trimmedLine);
    void startEntry(std::size_t day, std::uint64_t keyLine);
    void endEntry();
    void endEntryAtEndOfFile();
    void judgeQuotationLine(std::uint64_t number, std::wstring_view trimmedText,
                            std::optional<std::size_t> keyLineDay);
    void judgeLineOutsideEntries(std::uint64_t number, std::wstring_view trimmedText);
    void report(std::uint64_t line, ProblemKind kind, std::wstring message);

    const QuoteBookPlatform& platform_;
    QuotationFit* fit_;
    std::wstring entryText_; // the open entry's text as the lookup returns it, while measured
    std::vector<std::wstring> keys_;
    std::vector<KeyLineMatcher> matchers_;
    std::unordered_map<std::wstring, std::size_t> dayOfLowerKey_;
    std::size_t longestLowerKey_ = 0;
    KeyLookalikes lookalikes_;
    std::vector<std::uint64_t> lastEntryLine_; // per day; 0 while the day has none
    std::optional<OpenEntry> entry_;
    std::vector<Problem> problems_;
};

BookChecker::BookChecker(const QuoteBookPlatform& platform, QuotationFit* fit)
    : platform_(platform), fit_(fit), lookalikes_(platform) {
    for (const CivilDate& date : everyKeyDate()) {
        keys_.push_back(DayKeyFor(*dateValueOf(date), platform));
        matchers_.emplace_back(keys_.back(), platform);
        std::wstring lowerKey = platform.toLower(keys_.back());
        longestLowerKey_ = std::max(longestLowerKey_, lowerKey.size());
        dayOfLowerKey_.emplace(std::move(lowerKey), keys_.size() - 1);
    }
    lastEntryLine_.assign(keys_.size(), 0);
}

template <typename Unit> bool BookChecker::read(BlockReader& reader) {
    LineScanner<Unit> lines(reader);
    while (const auto line = lines.nextLine()) {
        judgeLine(line->number, line->text);
    }
    if (lines.failed()) {
        return false;
    }
    endEntryAtEndOfFile();
    for (std::size_t day = 0; day < keys_.size(); ++day) {
        if (lastEntryLine_[day] == 0) {
            report(0, ProblemKind::missingDay, L"no entry for " + inQuotes(keys_[day]));
        }
    }
    return true;
}

// Lines are judged as the lookup judges them: outside an entry each line on its own as
// a possible key line; inside one, every line is a quotation line up to an empty line.
template <typename Unit>
void BookChecker::judgeLine(std::uint64_t number, std::basic_string_view<Unit> line) {
    std::wstring text;
    appendLineText(text, line, platform_);
    if (const std::optional<wchar_t> control = firstControlCharacter(text)) {
        report(number, ProblemKind::controlCharacter,
               L"the line holds the control character " + controlCharacterName(*control));
    }
    const std::basic_string_view<Unit> trimmed = trimBlanks(line);
    if (entry_) {
        if (line.empty()) {
            endEntry();
            return;
        }
        if (fit_ != nullptr) {
            appendQuotationLine(entryText_, text);
        }
        judgeQuotationLine(number, trimBlanks<wchar_t>(text), dayOfKeyLine(trimmed));
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
    std::wstring itemText;
    appendLineText(itemText, *item, platform_);
    const auto found = dayOfLowerKey_.find(platform_.toLower(itemText));
    if (found == dayOfLowerKey_.end() || !matchers_[found->second].matches(trimmedLine)) {
        return std::nullopt;
    }
    return found->second;
}

void BookChecker::startEntry(std::size_t day, std::uint64_t keyLine) {
    if (lastEntryLine_[day] != 0) {
        report(lastEntryLine_[day], ProblemKind::shadowedEntry,
               L"the entry for " + inQuotes(keys_[day]) +
                   L" is hidden by the later entry at line " + std::to_wstring(keyLine) +
                   L"; Quotidia shows only the last one");
    }
    lastEntryLine_[day] = keyLine;
    entry_ = OpenEntry{day, keyLine, 0};
}

void BookChecker::endEntry() {
    if (entry_->quotationLines == 0) {
        report(entry_->keyLine, ProblemKind::emptyEntry,
               L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" has no quotation lines: an empty line follows its key line");
    } else if (fit_ != nullptr) {
        if (const int overflowing = fit_->overflowingLines(entryText_); overflowing > 0) {
            report(entry_->keyLine, ProblemKind::entryTooLong,
                   entryTooLongMessage(keys_[entry_->day], overflowing));
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
        report(entry_->keyLine, ProblemKind::emptyEntry,
               L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" has no quotation lines: the file ends after its key line");
    } else {
        report(entry_->keyLine, ProblemKind::entryRunsToEnd,
               L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" runs into the end of the file; end it with an empty line");
    }
    entryText_.clear();
    entry_.reset();
}

void BookChecker::judgeQuotationLine(std::uint64_t number, std::wstring_view trimmedText,
                                     std::optional<std::size_t> keyLineDay) {
    ++entry_->quotationLines;
    if (trimmedText.empty()) {
        report(number, ProblemKind::blankLineInEntry,
               L"a line of only blanks inside the entry for " + inQuotes(keys_[entry_->day]) +
                   L" is shown as a quotation line; only an empty line ends an entry");
    } else if (keyLineDay == entry_->day) {
        report(number, ProblemKind::keyInsideEntry,
               L"the key line " + inQuotes(trimmedText) +
                   L" repeats inside its own entry (begun at line " +
                   std::to_wstring(entry_->keyLine) + L") and is shown as a quotation line");
    } else if (keyLineDay) {
        report(number, ProblemKind::keyInsideEntry,
               L"the quotation line " + inQuotes(trimmedText) + L" in the entry for " +
                   inQuotes(keys_[entry_->day]) + L" is the key line of " +
                   inQuotes(keys_[*keyLineDay]) +
                   L": looking up that day starts here and shows the rest of this entry");
    }
}

void BookChecker::judgeLineOutsideEntries(std::uint64_t number, std::wstring_view trimmedText) {
    if (const std::optional<std::wstring> reason = lookalikes_.whyNoKey(trimmedText)) {
        report(number, ProblemKind::unmatchableKey,
               inQuotes(trimmedText) + L" looks like a day key but matches no day: " + *reason);
    }
}

void BookChecker::report(std::uint64_t line, ProblemKind kind, std::wstring message) {
    problems_.push_back(Problem{line, kind, std::move(message)});
}

std::vector<Problem> BookChecker::takeProblems() {
    // Problems found later about earlier lines (a hidden entry) take their line's place;
    // those of the book as a whole come last.
    std::stable_sort(problems_.begin(), problems_.end(), [](const Problem& a, const Problem& b) {
        return (a.line == 0 ? UINT64_MAX : a.line) < (b.line == 0 ? UINT64_MAX : b.line);
    });
    return std::move(problems_);
}

} // namespace

std::wstring inQuotes(std::wstring_view text) {
    return L'"' + std::wstring(text) + L'"';
}

std::optional<std::vector<Problem>> checkBook(std::istream& book, const QuoteBookPlatform& platform,
                                              QuotationFit* fit) {
    BlockReader reader(book);
    BookChecker checker(platform, fit);
    const bool whole = readByteOrderMark(reader) == QuoteFileEncoding::utf16Le
                           ? checker.read<char16_t>(reader)
                           : checker.read<char>(reader);
    if (!whole) {
        return std::nullopt;
    }
    return checker.takeProblems();
}

std::vector<std::wstring> allDayKeys(const QuoteBookPlatform& platform) {
    std::vector<std::wstring> keys;
    for (const CivilDate& date : everyKeyDate()) {
        keys.push_back(DayKeyFor(*dateValueOf(date), platform));
    }
    return keys;
}

} // namespace quotidia
