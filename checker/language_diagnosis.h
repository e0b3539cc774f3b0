#pragma once
// Recognising a quote book written in another language than the user's: its day lines
// are day keys in another locale's month names, so none of them is found.

#include "book_check.h"
#include "checker_command_line.h"

#include <istream>
#include <memory>
#include <optional>
#include <string>

namespace quotidia {

struct BookLanguage {
    std::wstring language;                  // "German"
    std::optional<std::wstring> localeName; // for --from; nullopt for English, the default
    std::unique_ptr<QuoteBookPlatform> platform;
    std::uint64_t dayLines = 0;      // lines that are day keys in some known locale
    std::uint64_t languageLines = 0; // of those, keys in this language and not the user's
};

// The language of the book when most of its day lines are day keys in that language's
// month names and not in the user's: English, or a locale the system knows (the first
// of those that read the most lines, one whose region is its language's own country
// before others). nullopt otherwise, or when the book cannot be read.
std::optional<BookLanguage> recogniseBookLanguage(std::istream& book, const QuoteBookPlatform& user,
                                                  const CheckerEnvironment& environment);

// The one-line diagnosis: the language, how many day lines are in it, and the command
// that rewrites them for the locale (the user's own when `localeName` is empty).
std::wstring languageDiagnosis(const BookLanguage& language, const std::wstring& bookName,
                               const std::wstring& localeName);

} // namespace quotidia
