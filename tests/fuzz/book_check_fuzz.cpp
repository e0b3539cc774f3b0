// Runs quotidia-check on arbitrary quote files, written to a file and opened as the
// program opens it, and holds the report to what must be true of any book: it is
// bounded, its line numbers lie in the book, its exit code agrees with it, and the days
// without an entry and the hidden entries it counts are those of the naive reference. With
// bit 4 of the control byte it prints a day instead, which must be the lookup's answer.

#include "book_check.h"
#include "checker_command_line.h"
#include "fuzz_input.h"
#include "fuzz_platform.h"
#include "naive_reference.h"
#include "quote_lookup.h"
#include "system_environment.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace {

using namespace quotidia;
using namespace quotidia::fuzzing;

// The checker's surroundings: the fuzz platform for every locale, the book opened by the
// system's own environment, and the output collected.
class FuzzEnvironment : public CheckerEnvironment {
  public:
    std::wstring output;
    std::wstring error;

    std::unique_ptr<QuoteBookPlatform>
    platformFor(std::wstring_view /*localeName*/) const override {
        return std::make_unique<FuzzPlatform>();
    }
    OpenedBook openBook(const std::filesystem::path& path) override {
        return system_->openBook(path);
    }
    std::optional<std::wstring> writeOutput(std::wstring_view text) override {
        output += text;
        return std::nullopt;
    }
    void writeError(std::wstring_view text) override { error += text; }
    bool writeOutputBytes(std::string_view bytes) override {
        outputBytes += bytes;
        return true;
    }
    // Books are rewritten to standard output only, and nothing is measured.
    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& /*destination*/) override {
        return nullptr;
    }
    std::vector<KnownLocale> knownLocales() const override { return {}; }
    std::unique_ptr<QuotationFit> quotationFit() override { return nullptr; }

    std::string outputBytes;

  private:
    std::unique_ptr<CheckerEnvironment> system_ = makeSystemEnvironment();
};

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "book_check_fuzz: %s\n", what);
        std::abort();
    }
}

// The folded day keys of the calendar, with their day numbers.
const std::map<std::wstring, std::size_t>& foldedDayKeys() {
    static const std::map<std::wstring, std::size_t> keys = [] {
        constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const FuzzPlatform platform;
        std::map<std::wstring, std::size_t> folded;
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= kDays.at(static_cast<std::size_t>(month - 1)); ++day) {
                const std::size_t number = folded.size();
                folded.emplace(fold(platform.monthName(month) + L' ' + std::to_wstring(day)),
                               number);
            }
        }
        return folded;
    }();
    return keys;
}

void checkReport(const std::wstring& report, int exitCode, std::size_t bookLines) {
    constexpr std::size_t kMostReportLines = kProblemKindCount * (kListedProblemsPerKind + 1) + 1;
    require(std::count(report.begin(), report.end(), L'\n') <= std::ptrdiff_t{kMostReportLines},
            "the report is longer than its bound");
    require(report.ends_with(L"book: no problems; every day has its entry\n") ==
                (exitCode == exit_code::clean),
            "the exit code disagrees with the report");
    std::wistringstream lines(report);
    for (std::wstring line; std::getline(lines, line);) {
        require(line.starts_with(L"book"), "a report line does not name the book");
        if (line.starts_with(L"book:") && line.size() > 5 && line[5] >= L'0' && line[5] <= L'9') {
            require(std::stoull(line.substr(5)) <= bookLines, "a line number past the book");
        }
    }
}

// The problem a report line tells of, without the book's name and line number.
std::wstring_view messageOf(std::wstring_view line) {
    if (!line.starts_with(L"book:")) {
        return {};
    }
    line.remove_prefix(5);
    if (!line.empty() && line.front() >= L'0' && line.front() <= L'9') {
        while (!line.empty() && line.front() >= L'0' && line.front() <= L'9') {
            line.remove_prefix(1);
        }
        if (!line.starts_with(L':')) {
            return {};
        }
        line.remove_prefix(1);
    }
    return line.starts_with(L' ') ? line.substr(1) : std::wstring_view{};
}

bool isMissingDay(std::wstring_view message) {
    return message.starts_with(L"no entry for \"");
}

// "the entry for "KEY" is hidden by ...": keys hold no double quote.
bool isHiddenEntry(std::wstring_view message) {
    constexpr std::wstring_view kStart = L"the entry for \"";
    const std::size_t closing = message.find(L'"', kStart.size());
    return message.starts_with(kStart) && closing != std::wstring_view::npos &&
           message.substr(closing).starts_with(L"\" is hidden by the later entry at line ");
}

// How many problems of a kind the report tells of: its listed lines, and the count of
// the rest on the line after the last of them.
std::uint64_t reportedCount(const std::wstring& report, bool (*isOfKind)(std::wstring_view)) {
    std::wistringstream lines(report);
    std::uint64_t listed = 0;
    std::uint64_t unlisted = 0;
    bool afterMarker = false;
    for (std::wstring line; std::getline(lines, line);) {
        const std::size_t more = line.find(L": \u2026 and ");
        if (afterMarker && more != std::wstring::npos) {
            std::wstring digits;
            for (const wchar_t character : line.substr(more)) {
                if (character >= L'0' && character <= L'9') {
                    digits += character;
                }
            }
            unlisted = std::stoull(digits);
        }
        afterMarker = isOfKind(messageOf(line));
        listed += afterMarker ? 1 : 0;
    }
    require(listed <= kListedProblemsPerKind, "more problems of a kind listed than the bound");
    require(unlisted == 0 || listed == kListedProblemsPerKind, "a count with room to list");
    return listed + unlisted;
}

// The days without an entry and the hidden entries the report tells of are those the
// naive reference finds.
void checkCounts(const std::wstring& report, const NaiveBook& book) {
    const NaiveEntries entries = naiveEntries(book, foldedDayKeys());
    const auto daysWithEntry = static_cast<std::uint64_t>(
        std::count(entries.dayHasEntry.begin(), entries.dayHasEntry.end(), true));
    require(reportedCount(report, isMissingDay) == entries.dayHasEntry.size() - daysWithEntry,
            "days without an entry differ from the reference");
    require(reportedCount(report, isHiddenEntry) == entries.entries - daysWithEntry,
            "hidden entries differ from the reference");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ShapedInput input = shapeInput(data, size);
    const std::filesystem::path path = writeInputFile(input.file, "book_check");
    const NaiveBook book = readNaively(input.file);
    FuzzEnvironment environment;
    if ((input.control & 16) != 0) {
        const std::wstring_view key = kDayKeys.at(input.control % kDayKeys.size());
        const int exitCode = runChecker(
            {Argument{L"book", path}, Argument{L"--day=" + std::wstring(key), {}}}, environment);
        const std::wstring expected = naiveQuotes(book, key, kMaxQuoteTextLength);
        require(environment.output == textAsLines(expected), "--day differs from the reference");
        require(exitCode == (expected.empty() ? exit_code::problems : exit_code::clean),
                "--day exits with the wrong code");
        return 0;
    }
    const int exitCode = runChecker({Argument{L"book", path}}, environment);
    require(environment.error.empty(), "a readable book gave an error");
    checkReport(environment.output, exitCode, book.lines.size());
    checkCounts(environment.output, book);
    return 0;
}
