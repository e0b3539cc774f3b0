#pragma once
// Checking a quote book for what makes the program show a day wrongly or not at all,
// with the reader and key-line rules of the program's own lookup; and the command line
// of quotidia-check, which prints a day's text or the problems of a book.

#include "checker/file_replacement.h"
#include "checker/quotation_fit.h"
#include "quotebook/quotebook_platform.h"

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quotidia {

enum class ProblemKind {
    missingDay,       // no entry for a day key
    shadowedEntry,    // a later entry has the same key; only the last one is shown
    unmatchableKey,   // a line that looks like a key line but never matches a day
    emptyEntry,       // a key line followed by an empty line or the end of the file
    entryRunsToEnd,   // an entry with no empty line after it
    keyInsideEntry,   // a quotation line that is a key line itself
    blankLineInEntry, // a line of blanks inside an entry, which does not end it
    controlCharacter, // NUL or another control character in a line
    entryTooLong,     // an entry whose text the quotation area cuts off
};

struct Problem {
    std::uint64_t line = 0; // 1 for the book's first line; 0 for the book as a whole
    ProblemKind kind{};
    std::wstring message;

    friend bool operator==(const Problem&, const Problem&) = default;
};

// The problems of a quote book: those of its lines in file order, then the days without
// an entry in calendar order. nullopt when the book could not be read to its end.
// Each entry is measured by `fit` when there is one.
std::optional<std::vector<Problem>> checkBook(std::istream& book, const QuoteBookPlatform& platform,
                                              QuotationFit* fit = nullptr);

// The 366 day keys of the platform's locale, January 1 to December 31 with February 29.
std::vector<std::wstring> allDayKeys(const QuoteBookPlatform& platform);

// The lookup's text as terminal lines: each carriage-return separator starts a line, the
// first one (the empty line the program shows above the quotations) is left out, and
// the last line is ended.
std::wstring textAsLines(std::wstring_view quoteText);

// Wide text as UTF-8; a character that is no Unicode scalar value (an unpaired
// surrogate) becomes U+FFFD.
std::string utf8Of(std::wstring_view text);

// One command-line argument: its text, and the path it names taken from the original
// form, so that a file name that is not valid text still opens.
struct Argument {
    std::wstring text;
    std::filesystem::path path;
};

// A locale the system knows, by the name --locale takes, and its language in English.
struct KnownLocale {
    std::wstring name;
    std::wstring language;
};

// What the checker needs of the system it runs on.
class CheckerEnvironment {
  public:
    virtual ~CheckerEnvironment() = default;

    // The quote-book platform of a locale, the user's own when the name is empty;
    // nullptr when the system does not know the locale.
    virtual std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const = 0;

    virtual void writeOutput(std::wstring_view text) = 0;
    virtual void writeError(std::wstring_view text) = 0;

    // Bytes to standard output as they are; false when they could not be written.
    virtual bool writeOutputBytes(std::string_view bytes) = 0;

    // A safe replacement of the file (file_replacement.h); nullptr when none can start.
    virtual std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) = 0;

    // The locales whose month names a book may be written in.
    virtual std::vector<KnownLocale> knownLocales() const = 0;

    // The measure of the quotation area; nullptr where text cannot be measured.
    virtual std::unique_ptr<QuotationFit> quotationFit() = 0;
};

namespace exit_code {
inline constexpr int clean = 0;    // the day was found, or the book has no problem
inline constexpr int problems = 1; // nothing matches the day, or the book has problems
inline constexpr int unusable = 2; // bad arguments or an unreadable book
} // namespace exit_code

// Runs quotidia-check with its arguments (without the program's name) and returns the
// exit code.
int runChecker(const std::vector<Argument>& arguments, CheckerEnvironment& environment);

} // namespace quotidia
