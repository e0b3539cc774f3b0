#include "checker_command_line.h"

#include "book_check.h"
#include "language_diagnosis.h"
#include "quotation_fit.h"
#include "quote_lookup.h"
#include "rewrite_days_command.h"
#include "text_encodings.h"

#include <algorithm>
#include <array>
#include <exception>
#include <new>
#include <optional>
#include <variant>

namespace quotidia {

namespace {

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
  - entries longer than the 65536 characters Quotidia shows;
  - entries too long for the quotation area (see above).
At most the first 10 problems of each kind are listed, followed by a count of the rest.
Exit status 0 when the book has no problem, 1 when it has some.

Exit status 2 on bad arguments, an unknown locale, a book that cannot be read (a FIFO
or a device is refused unread) or written, output that cannot be written, or memory
running out.
)";

constexpr std::wstring_view kNotMeasured =
    L"this quotidia-check cannot measure text, so entries too long for the quotation area "
    L"are not found; quotidia-check.exe on Windows measures them. Everything else is checked.";

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

// Writes the output whole, or reports why it could not be.
int writeOutput(CheckerEnvironment& environment, std::wstring_view text, int exitCode) {
    if (const std::optional<std::wstring> failure = environment.writeOutput(text)) {
        return fail(environment, L"cannot write the output: " + *failure);
    }
    return exitCode;
}

// A count with thousands grouped by commas: 999,634.
std::wstring groupedNumber(std::uint64_t number) {
    std::wstring digits = std::to_wstring(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, 1, L',');
    }
    return digits;
}

int showDay(OpenBook& book, const Options& options, const QuoteBookPlatform& platform,
            CheckerEnvironment& environment) {
    const std::wstring text = findQuotes(book.stream(), *options.day, platform);
    if (book.stream().bad()) {
        return fail(environment, L"cannot read " + options.file.text + L": " + book.readFailure());
    }
    if (text.empty()) {
        environment.writeError(options.file.text + L": nothing matches " + inQuotes(*options.day) +
                               L"; Quotidia shows no quotation for that day\n");
        return exit_code::problems;
    }
    return writeOutput(environment, textAsLines(text), exit_code::clean);
}

// The listed problems in their order, each kind's count of the unlisted ones after the
// last listed problem of that kind, a note of what was not checked, and the total.
std::wstring problemReport(const CheckResult& result, std::wstring_view fileName,
                           std::uint64_t total, std::wstring_view notChecked) {
    std::array<std::size_t, kProblemKindCount> lastListed{};
    for (std::size_t index = 0; index < result.listed.size(); ++index) {
        lastListed.at(static_cast<std::size_t>(result.listed[index].kind)) = index;
    }
    std::wstring report;
    for (std::size_t index = 0; index < result.listed.size(); ++index) {
        const Problem& problem = result.listed[index];
        report += fileName;
        if (problem.line != 0) {
            report += L':' + std::to_wstring(problem.line);
        }
        report += L": " + problem.message + L'\n';
        const auto kind = static_cast<std::size_t>(problem.kind);
        if (lastListed.at(kind) == index && result.counts.at(kind) > kListedProblemsPerKind) {
            report += std::wstring(fileName) + L": \u2026 and " +
                      groupedNumber(result.counts.at(kind) - kListedProblemsPerKind) +
                      L" more like this\n";
        }
    }
    report += notChecked;
    if (total == 0) {
        report += std::wstring(fileName) + L": no problems; every day has its entry\n";
    } else {
        report += std::wstring(fileName) + L": " + std::to_wstring(total) +
                  (total == 1 ? L" problem\n" : L" problems\n");
    }
    return report;
}

int showProblems(OpenBook& book, const Options& options, const QuoteBookPlatform& platform,
                 CheckerEnvironment& environment) {
    // A book in another language is said once; its other problems are those it has
    // read in its own language, as it will be once rewritten.
    std::wstring diagnosis;
    const QuoteBookPlatform* readAs = &platform;
    const std::optional<BookLanguage> language =
        recogniseBookLanguage(book.stream(), platform, environment);
    book.stream().clear(book.stream().rdstate() & std::ios_base::badbit);
    // The check reads the book again from its start; a book that cannot be read again is
    // no clean book.
    if (book.stream().bad() || !book.stream().seekg(0)) {
        return fail(environment, L"cannot read " + options.file.text + L": " + book.readFailure());
    }
    if (language) {
        diagnosis = options.file.text + L": " +
                    languageDiagnosis(*language, options.file.text, options.locale) + L'\n';
        readAs = language->platform.get();
    }
    const std::unique_ptr<QuotationFit> fit = environment.quotationFit();
    const std::optional<CheckResult> result = checkBook(book.stream(), *readAs, fit.get());
    if (!result) {
        return fail(environment, L"cannot read " + options.file.text + L": " + book.readFailure());
    }
    const std::wstring notMeasured =
        fit ? std::wstring() : options.file.text + L": " + std::wstring(kNotMeasured) + L'\n';
    const std::uint64_t total = result->total() + (language ? 1 : 0);
    return writeOutput(environment,
                       diagnosis + problemReport(*result, options.file.text, total, notMeasured),
                       total == 0 ? exit_code::clean : exit_code::problems);
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

int run(const std::vector<Argument>& arguments, CheckerEnvironment& environment) {
    const std::variant<Options, std::wstring> parsed = parseArguments(arguments);
    if (const auto* message = std::get_if<std::wstring>(&parsed)) {
        return fail(environment, *message + L" (see --help)");
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        return writeOutput(environment, helpText(environment), exit_code::clean);
    }
    if (options.rewriteDays) {
        return rewriteDays({options.file, options.from, options.locale, options.output},
                           environment);
    }
    const std::unique_ptr<QuoteBookPlatform> platform = environment.platformFor(options.locale);
    if (!platform) {
        return fail(environment, L"unknown locale " + inQuotes(options.locale));
    }
    OpenedBook opened = environment.openBook(options.file.path);
    if (const auto* reason = std::get_if<std::wstring>(&opened)) {
        return fail(environment, L"cannot open " + options.file.text + L": " + *reason);
    }
    OpenBook& book = *std::get<std::unique_ptr<OpenBook>>(opened);
    return options.day ? showDay(book, options, *platform, environment)
                       : showProblems(book, options, *platform, environment);
}

} // namespace

Argument argumentOfBytes(const std::string& bytes) {
    std::wstring text;
    if (!appendUtf8(text, bytes)) {
        text = decodeLatin1(bytes);
    }
    return Argument{std::move(text), std::filesystem::path(bytes)};
}

std::wstring textAsLines(std::wstring_view quoteText) {
    if (quoteText.empty()) {
        return {};
    }
    std::wstring lines(quoteText.substr(quoteText.starts_with(L'\r') ? 1 : 0));
    std::replace(lines.begin(), lines.end(), L'\r', L'\n');
    return lines + L'\n';
}

int runChecker(const std::vector<Argument>& arguments, CheckerEnvironment& environment) {
    // The message of a failure that left the run; writing it may fail too, when memory is
    // still short, and then the exit code alone tells.
    const auto failAfterException = [&](std::wstring_view message) noexcept {
        try {
            return fail(environment, message);
        } catch (const std::exception&) {
            return exit_code::unusable;
        }
    };
    try {
        return run(arguments, environment);
    } catch (const std::bad_alloc&) {
        return failAfterException(L"out of memory");
    } catch (const std::exception& error) {
        try {
            return failAfterException(L"failed: " + argumentOfBytes(error.what()).text);
        } catch (const std::exception&) {
            return exit_code::unusable;
        }
    }
}

} // namespace quotidia
