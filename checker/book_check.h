#pragma once
// Checking a quote book for what makes the program show a day wrongly or not at all,
// with the reader and key-line rules of the program's own lookup.

#include "quotation_fit.h"
#include "quotebook_platform.h"

#include <cstdint>
#include <istream>
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
std::optional<std::vector<Problem>> checkBook(std::istream& book, const QuoteBookPlatform& platform,
                                              QuotationFit* fit = nullptr);

// The 366 day keys of the platform's locale, January 1 to December 31 with February 29.
std::vector<std::wstring> allDayKeys(const QuoteBookPlatform& platform);

// A text in double quotes, as the checker's messages quote keys and lines.
std::wstring inQuotes(std::wstring_view text);

} // namespace quotidia
