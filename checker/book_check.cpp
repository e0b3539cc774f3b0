#include "checker/book_check.h"

#include "checker/entry_fit.h"
#include "checker/language_diagnosis.h"
#include "checker/quotation_fit.h"
#include "checker/rewrite_days_command.h"
#include "quotebook/date_value.h"
#include "quotebook/day_state.h"
#include "quotebook/quote_file_reader.h"
#include "quotebook/quote_lookup.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <system_error>
#include <unordered_map>
#include <variant>

namespace quotidia {

namespace {

// A leap year, so that the calendar has February 29.
constexpr int kLeapYear = 2000;
constexpr int kMonths = 12;

constexpr std::wstring_view kHelp =
    LR"(Usage: quotidia-check [FILE] [--day "MONTH DAY"] [--locale NAME]
       quotidia-check --rewrite-days FILE [--from NAME] [--locale NAME] [--output OUT]

Checks a Quotidia quote book, prints the text it holds for one day, or writes it
again with its day lines in another language. The book is read exactly as
Quotidia reads it.

  FILE            the quote book; Quotes.txt in the current directory by default
  --day "KEY"     print the quotation lines Quotidia shows for the day key KEY, for
                  example "December 6", one per line. Quotidia shows them below an
                  empty first line; that empty line is not printed.
                  Exit status 0 when an entry matches, 1 when none does.
  --locale NAME   take the month names and letter case from the locale NAME (for
                  example de_DE.UTF-8 or de-DE on Linux, de-DE on Windows) instead of
                  the user's own; the day keys of a book are spelled in its language
  --rewrite-days  write the book again with every day line in the month names of
                  --locale (the user's own by default) instead of those of --from
                  ("December 6" becomes "Dezember 6" for de-DE). The line keeps its
                  blanks, quotes and letter case style; every other byte, the
                  encoding, byte-order mark and line ends stay as they are.
  --from NAME     the locale the day lines are written in; English by default
  --output OUT    write the new book to OUT, which may be FILE itself: it is written
                  completely beside OUT first and then moved over it, so a failure
                  leaves OUT as it was. Without --output the book goes to standard
                  output. Exit status 0 when written, 1 when a day line cannot be
                  rewritten (each is reported; then nothing is written).
  -h, --help      show this help
@MEASUREMENT@

Without --day and --rewrite-days the book is checked, and each problem is reported
as FILE:LINE: ...
  - days without an entry (all 366 of them, February 29 included);
  - entries hidden by a later entry with the same key (Quotidia shows the last);
  - lines that look like day keys but never match one: a leading zero
    ("December 06"), an abbreviated month ("Dec 6"), a day that does not exist
    ("February 30"), text after the day ("December 6, 2024"), the day before the
    month, a word that is not a month name of the locale;
  - a book whose day lines are in another language than the locale's: said once,
    with the language and the --rewrite-days command that fixes it;
  - entries without quotation lines, and entries that run into the end of the file
    instead of ending with an empty line;
  - quotation lines that are day keys themselves (looking up that day starts there),
    and lines of only blanks inside an entry (only an empty line ends an entry);
  - lines holding NUL or other control characters, tabs included;
  - entries too long for the quotation area (see above).
Exit status 0 when the book has no problem, 1 when it has some.

Exit status 2 on bad arguments, an unknown locale or a book that cannot be read
or written.
)";

constexpr std::wstring_view kNotMeasured =
    L"this quotidia-check cannot measure text, so entries too long for the quotation area "
    L"are not found; quotidia-check.exe on Windows measures them. Everything else is checked.";

constexpr bool isBlank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

constexpr bool isDigit(wchar_t character) {
    return character >= L'0' && character <= L'9';
}

std::wstring_view trimBlanks(std::wstring_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::wstring inQuotes(std::wstring_view text) {
    return L'"' + std::wstring(text) + L'"';
}

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
    shape.separator = text.substr(0, countWhile(text, isBlank));
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
    std::optional<std::wstring> whyNoKey(std::wstring_view trimmedText) const;
    std::optional<int> monthOf(std::wstring_view lowerWord) const;
    std::optional<int> abbreviatedMonthOf(std::wstring_view lowerWord) const;
    void report(std::uint64_t line, ProblemKind kind, std::wstring message);

    const QuoteBookPlatform& platform_;
    QuotationFit* fit_;
    std::wstring entryText_; // the open entry's text as the lookup returns it, while measured
    std::vector<CivilDate> days_;
    std::vector<std::wstring> keys_;
    std::vector<KeyLineMatcher> matchers_;
    std::unordered_map<std::wstring, std::size_t> dayOfLowerKey_;
    std::size_t longestLowerKey_ = 0;
    std::array<std::wstring, kMonths> lowerMonths_;
    std::vector<std::uint64_t> lastEntryLine_; // per day; 0 while the day has none
    std::optional<OpenEntry> entry_;
    std::vector<Problem> problems_;
};

BookChecker::BookChecker(const QuoteBookPlatform& platform, QuotationFit* fit)
    : platform_(platform), fit_(fit) {
    for (int month = 1; month <= kMonths; ++month) {
        lowerMonths_[static_cast<std::size_t>(month - 1)] =
            platform.toLower(platform.monthName(month));
        for (int day = 1; day <= daysInMonth(kLeapYear, month); ++day) {
            const CivilDate date{kLeapYear, month, day};
            days_.push_back(date);
            keys_.push_back(DayKeyFor(*dateValueOf(date), platform));
            matchers_.emplace_back(keys_.back(), platform);
            std::wstring lowerKey = platform.toLower(keys_.back());
            longestLowerKey_ = std::max(longestLowerKey_, lowerKey.size());
            dayOfLowerKey_.emplace(std::move(lowerKey), keys_.size() - 1);
        }
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
    const std::basic_string_view<Unit> trimmed = trimLine(line);
    if (entry_) {
        if (line.empty()) {
            endEntry();
            return;
        }
        if (fit_ != nullptr) {
            appendQuotationLine(entryText_, text);
        }
        judgeQuotationLine(number, trimBlanks(text), dayOfKeyLine(trimmed));
        return;
    }
    if (trimmed.empty()) {
        return;
    }
    if (const std::optional<std::size_t> day = dayOfKeyLine(trimmed)) {
        startEntry(*day, number);
        return;
    }
    judgeLineOutsideEntries(number, trimBlanks(text));
}

// The day whose key line this is. The lower-cased item finds the candidate day; the
// program's own matcher for that day has the last word.
template <typename Unit>
std::optional<std::size_t> BookChecker::dayOfKeyLine(std::basic_string_view<Unit> trimmedLine) {
    constexpr std::size_t kMaxUnitsPerCharacter = 4;
    const auto item = keyItemOf(trimmedLine);
    if (!item || item->size() > longestLowerKey_ * kMaxUnitsPerCharacter) {
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
    if (const std::optional<std::wstring> reason = whyNoKey(trimmedText)) {
        report(number, ProblemKind::unmatchableKey,
               inQuotes(trimmedText) + L" looks like a day key but matches no day: " + *reason);
    }
}

std::optional<int> BookChecker::monthOf(std::wstring_view lowerWord) const {
    const auto found = std::find(lowerMonths_.begin(), lowerMonths_.end(), lowerWord);
    if (found == lowerMonths_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - lowerMonths_.begin()) + 1;
}

// The month of which the word is a shortened form, at least three characters long.
std::optional<int> BookChecker::abbreviatedMonthOf(std::wstring_view lowerWord) const {
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
std::optional<std::wstring> BookChecker::whyNoKey(std::wstring_view trimmedText) const {
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
    const std::wstring& monthName = platform_.monthName(*month);
    if (!fullMonth || shape->abbreviationDot) {
        reasons.push_back(L"the month name is shortened (write " + inQuotes(monthName) + L")");
    }
    if (shape->separator != L" ") {
        reasons.push_back(L"the month and the day need exactly one space between them");
    }
    if (shape->digits.size() > 1 && shape->digits.starts_with(L'0')) {
        reasons.push_back(L"the day has a leading zero");
    }
    const bool dayExists = day >= 1 && day <= daysInMonth(kLeapYear, *month);
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

struct Options {
    bool help = false;
    bool rewriteDays = false;
    std::optional<std::wstring> day;
    std::wstring locale;
    std::optional<std::wstring> from;
    std::optional<Argument> output;
    Argument file{L"Quotes.txt", "Quotes.txt"};
};

// The options, or the message that says what is wrong with them.
std::variant<Options, std::wstring> parseArguments(const std::vector<Argument>& arguments) {
    Options options;
    bool fileGiven = false;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::wstring& text = arguments[index].text;
        const auto valueOf = [&](std::wstring_view option) -> std::optional<std::wstring> {
            if (text.size() > option.size() && text.starts_with(option) &&
                text[option.size()] == L'=') {
                return text.substr(option.size() + 1);
            }
            if (text == option && index + 1 < arguments.size()) {
                return arguments[++index].text;
            }
            return std::nullopt;
        };
        if (optionsEnded || !text.starts_with(L'-') || text == L"-") {
            if (fileGiven) {
                return L"more than one FILE given (" + inQuotes(text) + L")";
            }
            options.file = arguments[index];
            fileGiven = true;
        } else if (text == L"--") {
            optionsEnded = true;
        } else if (text == L"-h" || text == L"--help") {
            options.help = true;
        } else if (text == L"--day" || text.starts_with(L"--day=")) {
            options.day = valueOf(L"--day");
            if (!options.day || options.day->empty()) {
                return L"--day needs a day key, for example --day \"December 6\"";
            }
        } else if (text == L"--locale" || text.starts_with(L"--locale=")) {
            const std::optional<std::wstring> locale = valueOf(L"--locale");
            if (!locale || locale->empty()) {
                return L"--locale needs a locale name";
            }
            options.locale = *locale;
        } else if (text == L"--rewrite-days") {
            options.rewriteDays = true;
        } else if (text == L"--from" || text.starts_with(L"--from=")) {
            options.from = valueOf(L"--from");
            if (!options.from || options.from->empty()) {
                return L"--from needs a locale name";
            }
        } else if (text == L"--output" || text.starts_with(L"--output=")) {
            const bool separate = text == L"--output";
            const std::optional<std::wstring> output = valueOf(L"--output");
            if (!output || output->empty()) {
                return L"--output needs a file name";
            }
            options.output = separate ? arguments[index] : Argument{*output, *output};
        } else {
            return L"unknown option " + inQuotes(text);
        }
    }
    if (!options.rewriteDays && (options.from || options.output)) {
        return L"--from and --output go with --rewrite-days";
    }
    if (options.rewriteDays && options.day) {
        return L"--day and --rewrite-days do not go together";
    }
    return options;
}

int fail(CheckerEnvironment& environment, std::wstring_view message) {
    environment.writeError(L"quotidia-check: " + std::wstring(message) + L'\n');
    return exit_code::unusable;
}

int showDay(std::istream& book, const Options& options, const QuoteBookPlatform& platform,
            CheckerEnvironment& environment) {
    const std::wstring text = findQuotes(book, *options.day, platform);
    if (book.bad()) {
        return fail(environment, L"cannot read " + options.file.text);
    }
    if (text.empty()) {
        environment.writeError(options.file.text + L": nothing matches " + inQuotes(*options.day) +
                               L"; Quotidia shows no quotation for that day\n");
        return exit_code::problems;
    }
    environment.writeOutput(textAsLines(text));
    return exit_code::clean;
}

int showProblems(std::istream& book, const Options& options, const QuoteBookPlatform& platform,
                 CheckerEnvironment& environment) {
    std::wstring report;
    std::size_t problemCount = 0;
    // A book in another language is said once; its other problems are those it has
    // read in its own language, as it will be once rewritten.
    const QuoteBookPlatform* readAs = &platform;
    const std::optional<BookLanguage> language = recogniseBookLanguage(book, platform, environment);
    book.clear();
    book.seekg(0);
    if (language) {
        report += options.file.text + L": " +
                  languageDiagnosis(*language, options.file.text, options.locale) + L'\n';
        readAs = language->platform.get();
        ++problemCount;
    }
    const std::unique_ptr<QuotationFit> fit = environment.quotationFit();
    const std::optional<std::vector<Problem>> problems = checkBook(book, *readAs, fit.get());
    if (!problems) {
        return fail(environment, L"cannot read " + options.file.text);
    }
    for (const Problem& problem : *problems) {
        report += options.file.text;
        if (problem.line != 0) {
            report += L':' + std::to_wstring(problem.line);
        }
        report += L": " + problem.message + L'\n';
    }
    if (!fit) {
        report += options.file.text + L": " + std::wstring(kNotMeasured) + L'\n';
    }
    problemCount += problems->size();
    if (problemCount == 0) {
        report += options.file.text + L": no problems; every day has its entry\n";
    } else {
        report += options.file.text + L": " + std::to_wstring(problemCount) +
                  (problemCount == 1 ? L" problem\n" : L" problems\n");
    }
    environment.writeOutput(report);
    return problemCount == 0 ? exit_code::clean : exit_code::problems;
}

std::wstring helpText(CheckerEnvironment& environment) {
    std::wstring help(kHelp);
    const std::unique_ptr<QuotationFit> fit = environment.quotationFit();
    const std::wstring measurement =
        fit ? fit->description()
            : L"\nEntries are not measured: " + std::wstring(kNotMeasured) + L"\n";
    constexpr std::wstring_view kPlace = L"@MEASUREMENT@\n";
    help.replace(help.find(kPlace), kPlace.size(), measurement);
    return help;
}

} // namespace

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
    for (int month = 1; month <= kMonths; ++month) {
        for (int day = 1; day <= daysInMonth(kLeapYear, month); ++day) {
            keys.push_back(DayKeyFor(*dateValueOf(CivilDate{kLeapYear, month, day}), platform));
        }
    }
    return keys;
}

std::wstring textAsLines(std::wstring_view quoteText) {
    if (quoteText.empty()) {
        return {};
    }
    std::wstring lines(quoteText.substr(quoteText.starts_with(L'\r') ? 1 : 0));
    std::replace(lines.begin(), lines.end(), L'\r', L'\n');
    return lines + L'\n';
}

std::string utf8Of(std::wstring_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    constexpr char32_t kLastCodePoint = 0x10FFFF;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        auto code = static_cast<char32_t>(text[index]);
        if constexpr (sizeof(wchar_t) == 2) {
            const bool highSurrogate = code >= 0xD800 && code <= 0xDBFF;
            if (highSurrogate && index + 1 < text.size()) {
                const auto low = static_cast<char32_t>(text[index + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    ++index;
                }
            }
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code > kLastCodePoint) {
            code = kReplacement;
        }
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | (code >> 6));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | (code >> 12));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (code >> 18));
            bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

int runChecker(const std::vector<Argument>& arguments, CheckerEnvironment& environment) {
    const std::variant<Options, std::wstring> parsed = parseArguments(arguments);
    if (const auto* message = std::get_if<std::wstring>(&parsed)) {
        return fail(environment, *message + L" (see --help)");
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        environment.writeOutput(helpText(environment));
        return exit_code::clean;
    }
    if (options.rewriteDays) {
        return rewriteDays({options.file, options.from, options.locale, options.output},
                           environment);
    }
    const std::unique_ptr<QuoteBookPlatform> platform = environment.platformFor(options.locale);
    if (!platform) {
        return fail(environment, L"unknown locale " + inQuotes(options.locale));
    }
    std::error_code error;
    if (std::filesystem::is_directory(options.file.path, error)) {
        return fail(environment, options.file.text + L" is a directory, not a quote book");
    }
    std::ifstream book(options.file.path, std::ios::binary);
    if (!book) {
        return fail(environment, L"cannot open " + options.file.text);
    }
    return options.day ? showDay(book, options, *platform, environment)
                       : showProblems(book, options, *platform, environment);
}

} // namespace quotidia
