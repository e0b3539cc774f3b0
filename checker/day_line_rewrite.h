#pragma once
// Rewriting a quote book's day lines from one locale's month names into another's, so
// that a book written for one regional format is found under another. Only the month
// name of each day line changes; every other byte of the book stays as it was.

#include "quotebook_platform.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace quotidia {

// A day line that cannot be rewritten, and why.
struct DayLineFailure {
    std::uint64_t line = 0; // 1 for the book's first line
    std::wstring message;

    friend bool operator==(const DayLineFailure&, const DayLineFailure&) = default;
};

// Where the rewritten book's bytes go, in order; false when they could not be written.
using ByteSink = std::function<bool(std::string_view bytes)>;

struct DayLineRewriteResult {
    enum class Outcome {
        rewritten,   // the whole book went to the sink
        linesFailed, // some day lines cannot be rewritten; nothing went to the sink
        readFailed,  // the book could not be read to its end
        writeFailed, // the sink refused bytes
    };
    Outcome outcome = Outcome::rewritten;
    std::uint64_t rewrittenLines = 0;
    // The first kListedFailures day lines that cannot be rewritten, and how many there
    // are in all, so that a book of a million bad lines takes little memory.
    std::vector<DayLineFailure> failures;
    std::uint64_t failureCount = 0;
};

inline constexpr std::size_t kListedFailures = 10;

// The month names of English, with the letter case and code page of another platform:
// the language quote books are written in unless they say otherwise, whichever locales
// the system has.
class EnglishMonthNames : public QuoteBookPlatform {
  public:
    explicit EnglishMonthNames(const QuoteBookPlatform& base) : base_(base) {}

    DateValue now() const override { return base_.now(); }
    std::wstring monthName(int month) const override;
    std::wstring toLower(std::wstring_view text) const override { return base_.toLower(text); }
    std::wstring toUpper(std::wstring_view text) const override { return base_.toUpper(text); }
    std::wstring decodeAnsi(std::string_view bytes) const override {
        return base_.decodeAnsi(bytes);
    }
    std::filesystem::path quoteFilePath() const override { return base_.quoteFilePath(); }

  private:
    const QuoteBookPlatform& base_;
};

// Rewrites every day line of the book: every line the lookup takes for the key line of
// a day under `from` becomes that day's key line under `to`. The line keeps its blanks,
// its quotes, its digits and, where the target has it, its letter case style (as the
// locale writes the name, all upper case, all lower case, or capitalised). Everything
// else goes to the sink byte for byte, encoding, byte-order mark and line ends included;
// new month names are written in the book's own encoding (UTF-16, UTF-8, or the ANSI code
// page when the book is not UTF-8). The book is read first to find the day lines that
// cannot be rewritten; when there are any, nothing is written. The stream must be able
// to go back to its start.
DayLineRewriteResult rewriteDayLines(std::istream& book, const QuoteBookPlatform& from,
                                     const QuoteBookPlatform& to, const ByteSink& sink);

} // namespace quotidia
