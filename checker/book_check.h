#pragma once
// Checking a quote book for what makes the program show a day wrongly or not at all,
// with the reader and key-line rules of the program's own lookup.

#include "quotation_fit.h"
#include "quotebook_platform.h"

#include <array>
#include <cstddef>
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
    entryOverLimit,   // more text than the program keeps of an entry
    entryTooLong,     // an entry whose text the quotation area cuts off
};

inline constexpr std::size_t kProblemKindCount = 10;

// Problems listed of each kind, at most; the rest are only counted, so that a book of a
// million bad lines gives a report of a few dozen lines in little memory.
inline constexpr std::size_t kListedProblemsPerKind = 10;

struct Problem {
    std::uint64_t line = 0; // 1 for the book's first line; 0 for the book as a whole
    ProblemKind kind{};
    std::wstring message;

    friend bool operator==(const Problem&, const Problem&) = default;
};

// What a check found: the first problems of each kind and how many there are of each.
struct CheckResult {
    // The first kListedProblemsPerKind problems of each kind: those of the book's lines in
    // file order, then the days without an entry in calendar order.
    std::vector<Problem> listed;
    std::array<std::uint64_t, kProblemKindCount> counts{}; // every problem found, by kind

    std::uint64_t total() const;
};

// Checks a quote book, streaming it: no more of a line is held than the program can show
// of an entry (kMaxQuoteTextLength characters), and each line is judged by that much.
// nullopt when the book could not be read to its end.
// Each entry is measured by `fit` when there is one.
std::optional<CheckResult> checkBook(std::istream& book, const QuoteBookPlatform& platform,
                                     QuotationFit* fit = nullptr);

// The 366 day keys of the platform's locale, January 1 to December 31 with February 29.
std::vector<std::wstring> allDayKeys(const QuoteBookPlatform& platform);

// A text in double quotes, as the checker's messages quote keys and lines; a text longer
// than kLongestQuotedText characters is cut there and ends in an ellipsis.
std::wstring inQuotes(std::wstring_view text);
inline constexpr std::size_t kLongestQuotedText = 80;

} // namespace quotidia
