#pragma once
// The command line of quotidia-check: its arguments and options, its help, its output
// and exit codes. It prints the text a book holds for one day, or the book's problems.

#include "file_replacement.h"
#include "quotation_fit.h"
#include "quotebook_platform.h"

#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quotidia {

// The lookup's text as terminal lines: each carriage-return separator starts a line, the
// first one (the empty line the program shows above the quotations) is left out, and
// the last line is ended.
std::wstring textAsLines(std::wstring_view quoteText);

// One command-line argument: its text, and the path it names taken from the original
// form, so that a file name that is not valid text still opens.
struct Argument {
    std::wstring text;
    std::filesystem::path path;
};

// An argument as a POSIX system passes it, in bytes: its text is UTF-8 as a rule, and
// otherwise Latin-1, a character for each byte, so that messages can name it; its path
// keeps the bytes as they are.
Argument argumentOfBytes(const std::string& bytes);

// A locale the system knows, by the name --locale takes, and its language in English.
struct KnownLocale {
    std::wstring name;
    std::wstring language;
};

// A quote book opened for reading.
class OpenBook {
  public:
    virtual ~OpenBook() = default;

    // The book's bytes; a read error sets badbit.
    virtual std::istream& stream() = 0;

    // Why reading stopped early, in the system's words ("Input/output error").
    virtual std::wstring readFailure() const = 0;
};

// An open book, or why the file cannot be read as one: the system's words ("Permission
// denied"), or the kind of file it is when that is no regular file.
using OpenedBook = std::variant<std::unique_ptr<OpenBook>, std::wstring>;

// What the checker needs of the system it runs on.
class CheckerEnvironment {
  public:
    virtual ~CheckerEnvironment() = default;

    // The quote-book platform of a locale, the user's own when the name is empty;
    // nullptr when the system does not know the locale.
    virtual std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const = 0;

    // Opens a regular file for reading, without ever waiting for a writer or a device:
    // a FIFO, a device or a directory is refused before anything is read.
    virtual OpenedBook openBook(const std::filesystem::path& path) = 0;

    // Writes the text whole; the system's reason when it could not, nullopt when it did.
    virtual std::optional<std::wstring> writeOutput(std::wstring_view text) = 0;
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
inline constexpr int unusable = 2; // bad arguments, an unreadable book, output that failed
} // namespace exit_code

// Runs quotidia-check with its arguments (without the program's name) and returns the
// exit code. Every failure, memory running out included, is reported and exits with
// exit_code::unusable.
int runChecker(const std::vector<Argument>& arguments, CheckerEnvironment& environment);

} // namespace quotidia
