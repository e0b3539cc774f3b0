#include "book_check.h"

#include "block_reader.h"
#include "date_value.h"
#include "day_state.h"
#include "key_line.h"
#include "key_lookalike.h"
#include "line_scanner.h"
#include "quote_lookup.h"
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

class BookChecker {
  public:
    explicit BookChecker(const QuoteBookPlatform& platform);

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

    const QuoteBookPlatform& platform_;
    std::vector<std::wstring> keys_;
    std::vector<KeyLineMatcher> matchers_;
    std::unordered_map<std::wstring, std::size_t> dayOfLowerKey_;
    std::size_t longestLowerKey_ = 0;
    KeyLookalikes lookalikes_;
    std::vector<std::uint64_t> lastEntryLine_; // per day; 0 while the day has none
    std::optional<OpenEntry> entry_;
    CheckResult result_;
};

BookChecker::BookChecker(const QuoteBookPlatform& platform)
    : platform_(platform), lookalikes_(platform) {
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
    while (const auto line = lines.nextLine(kJudgedLineUnits<Unit>)) {
        judgeLine<Unit>(*line);
    }
    if (lines.failed()) {
        return false;
    }
    endEntryAtEndOfFile();
    for (std::size_t day = 0; day < keys_.size(); ++day) {
        if (lastEntryLine_[day] == 0) {
            report(0, ProblemKind::missingDay,
                   [&] { return L"no entry for " + inQuotes(keys_[day]); });
        }
    }
    return true;
}

// Lines are judged as the lookup judges them: outside an entry each line on its own as
// a possible key line; inside one, every line is a quotation line up to an empty line.
// A line cut short is judged by its whole characters, as the lookup shows it.
template <typename Unit> void BookChecker::judgeLine(const typename LineScanner<Unit>::Line& line) {
    const std::uint64_t number = line.number;
    std::wstring text;
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
        report(lastEntryLine_[day], ProblemKind::shadowedEntry, [&] {
            return L"the entry for " + inQuotes(keys_[day]) +
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
            return L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" has no quotation lines: an empty line follows its key line";
        });
    }
    entry_.reset();
}

void BookChecker::endEntryAtEndOfFile() {
    if (!entry_) {
        return;
    }
    if (entry_->quotationLines == 0) {
        report(entry_->keyLine, ProblemKind::emptyEntry, [&] {
            return L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" has no quotation lines: the file ends after its key line";
        });
    } else {
        report(entry_->keyLine, ProblemKind::entryRunsToEnd, [&] {
            return L"the entry for " + inQuotes(keys_[entry_->day]) +
                   L" runs into the end of the file; end it with an empty line";
        });
    }
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
            report(entry_->keyLine, ProblemKind::entryTooLong, [&] {
                return L"the entry for " + inQuotes(keys_[entry_->day]) + L" is longer than the " +
                       std::to_wstring(kMaxQuoteTextLength) +
                       L" characters Quotidia shows; its text is cut off at line " +
                       std::to_wstring(number);
            });
        }
    }
    const std::wstring_view trimmedText = trimBlanks<wchar_t>(text);
    if (trimmedText.empty() && !cut) {
        report(number, ProblemKind::blankLineInEntry, [&] {
            return L"a line of only blanks inside the entry for " + inQuotes(keys_[entry_->day]) +
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
                   inQuotes(keys_[entry_->day]) + L" is the key line of " +
                   inQuotes(keys_[*keyLineDay]) +
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
        // Where wchar_t holds UTF-16, a character is not cut in half.
        constexpr wchar_t kFirstLead = 0xD800;
        constexpr wchar_t kLastLead = 0xDBFF;
        const wchar_t last = text[kLongestQuotedText - 1];
        const bool cutsPair = sizeof(wchar_t) == 2 && last >= kFirstLead && last <= kLastLead;
        return L'"' + std::wstring(text.substr(0, kLongestQuotedText - (cutsPair ? 1 : 0))) +
               L"\u2026\"";
    }
    return L'"' + std::wstring(text) + L'"';
}

std::optional<CheckResult> checkBook(std::istream& book, const QuoteBookPlatform& platform) {
    BlockReader reader(book);
    BookChecker checker(platform);
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
