#include "book_check.h"

#include "checker_command_line.h"
#include "fake_quotebook_platform.h"
#include "quote_lookup.h"
#include "utf16le.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace quotidia {
namespace {

using namespace std::string_literals;
using testing::FakeQuoteBookPlatform;
using testing::utf16leFile;

// A book with an entry of two quotation lines for every day.
std::string fullBook(const FakeQuoteBookPlatform& platform) {
    std::string book;
    for (const std::wstring& key : allDayKeys(platform)) {
        const std::string narrowKey(key.begin(), key.end());
        book += narrowKey + "\r\nQuotation for " + narrowKey + "\r\n\xE2\x80\x94 Someone\r\n\r\n";
    }
    return book;
}

class BookCheckTest : public ::testing::Test {
  protected:
    FakeQuoteBookPlatform platform;

    std::vector<Problem> check(const std::string& book) { return result(book).listed; }

    CheckResult result(const std::string& book) {
        std::istringstream input(book);
        const std::optional<CheckResult> result = checkBook(input, platform);
        EXPECT_TRUE(result.has_value());
        return result.value_or(CheckResult{});
    }

    // The problems of the book's lines, leaving out the days without an entry.
    std::vector<Problem> lineProblems(const std::string& book) {
        std::vector<Problem> problems = check(book);
        std::erase_if(problems, [](const Problem& problem) { return problem.line == 0; });
        return problems;
    }

    std::wstring lookup(const std::string& book, std::wstring_view key) {
        std::istringstream input(book);
        return findQuotes(input, key, platform);
    }
};

std::vector<std::uint64_t> linesOf(const std::vector<Problem>& problems) {
    std::vector<std::uint64_t> lines;
    for (const Problem& problem : problems) {
        lines.push_back(problem.line);
    }
    return lines;
}

TEST_F(BookCheckTest, FullBookIsCleanAndEveryDayIsFoundByTheLookup) {
    const std::string book = fullBook(platform);
    EXPECT_EQ(check(book), std::vector<Problem>{});
    for (const std::wstring key : {L"January 1", L"February 29", L"September 30", L"December 31"}) {
        EXPECT_EQ(lookup(book, key), L"\rQuotation for " + key + L"\r\u2014 Someone");
    }
    EXPECT_EQ(allDayKeys(platform).size(), 366u);
}

TEST_F(BookCheckTest, DaysWithoutAnEntryComeLastInCalendarOrder) {
    std::string book = fullBook(platform);
    for (const std::string& key : {"December 31\r\n"s, "February 29\r\n"s, "January 1\r\n"s}) {
        book.replace(book.find(key), key.size(), "Not a key\r\n");
    }
    const std::vector<Problem> problems = check(book);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], (Problem{0, ProblemKind::missingDay, L"no entry for \"January 1\""}));
    EXPECT_EQ(problems[1].message, L"no entry for \"February 29\"");
    EXPECT_EQ(problems[2].message, L"no entry for \"December 31\"");
}

TEST_F(BookCheckTest, EarlierEntryOfTheSameDayIsReportedAsHidden) {
    const std::string book =
        "December 6\r\nFirst\r\n\r\nMay 1\r\nMay\r\n\r\ndecember 6\r\nSecond\r\n\r\n";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 1u);
    EXPECT_EQ(problems[0].kind, ProblemKind::shadowedEntry);
    EXPECT_NE(problems[0].message.find(L"later entry at line 7"), std::wstring::npos);
    EXPECT_EQ(lookup(book, L"December 6"), L"\rSecond");
}

TEST_F(BookCheckTest, KeyLikeLinesThatNeverMatchSayWhy) {
    const std::vector<std::pair<std::string, std::wstring>> cases = {
        {"December 06", L"the day has a leading zero; the key is \"December 6\""},
        {"Dec 6", L"the month name is shortened (write \"December\")"},
        {"Sept. 9", L"the month name is shortened (write \"September\")"},
        {"February 30", L"there is no day 30 in February"},
        {"April 31", L"there is no day 31 in April"},
        {"December 6, 2024", L"text follows the day (\", 2024\")"},
        {"December 6 \xE2\x80\x94", L"text follows the day (\" \u2014\")"},
        {"December 6th", L"text follows the day (\"th\")"},
        {"December  6", L"exactly one space"},
        {"December6", L"exactly one space"},
        {"\"December 6\" again", L"text follows the day (\" again\")"},
        {"6 December", L"the day comes before the month"},
        {"Dezember 6", L"\"Dezember\" is not a month name of this locale"},
    };
    for (const auto& [line, reason] : cases) {
        const std::vector<Problem> problems = lineProblems("Intro\r\n\r\n" + line + "\r\nText\r\n");
        ASSERT_EQ(problems.size(), 1u) << line;
        EXPECT_EQ(problems[0].line, 3u);
        EXPECT_EQ(problems[0].kind, ProblemKind::unmatchableKey);
        EXPECT_NE(problems[0].message.find(reason), std::wstring::npos)
            << line << ": " << std::string(problems[0].message.begin(), problems[0].message.end());
        EXPECT_EQ(lookup(line + "\r\nText\r\n\r\n", L"December 6"), L"") << line;
    }
    // Lines outside the entries that merely begin with a word and a number are no keys.
    EXPECT_EQ(lineProblems("Psalm 90:12\r\nMay the road rise\r\nChapter 400\r\n1984\r\n"),
              std::vector<Problem>{});
}

TEST_F(BookCheckTest, EntryWithoutQuotationLines) {
    const std::vector<Problem> problems = lineProblems("May 1\r\n\r\nMay 2\r\nTwo\r\n\r\nMay 3");
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].line, 1u);
    EXPECT_EQ(problems[0].kind, ProblemKind::emptyEntry);
    EXPECT_NE(problems[0].message.find(L"an empty line follows"), std::wstring::npos);
    EXPECT_EQ(problems[1].line, 6u);
    EXPECT_EQ(problems[1].kind, ProblemKind::emptyEntry);
    EXPECT_NE(problems[1].message.find(L"the file ends after its key line"), std::wstring::npos);
}

TEST_F(BookCheckTest, LastEntryWithoutAnEmptyLineIsShownButReported) {
    const std::string book = "May 1\r\nOne\r\n\r\nMay 2\r\nTwo\r\nMore";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 4u);
    EXPECT_EQ(problems[0].kind, ProblemKind::entryRunsToEnd);
    EXPECT_EQ(lookup(book, L"May 2"), L"\rTwo\rMore");
}

TEST_F(BookCheckTest, QuotationLineThatIsAKeyLine) {
    const std::string book = "December 5\r\nFive\r\nDecember 6\r\nSix\r\n\r\n"
                             "May 1\r\nMAY 1\r\n\r\n";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(linesOf(problems), (std::vector<std::uint64_t>{3, 7}));
    EXPECT_EQ(problems[0].kind, ProblemKind::keyInsideEntry);
    EXPECT_NE(problems[0].message.find(L"is the key line of \"December 6\""), std::wstring::npos);
    EXPECT_NE(problems[1].message.find(L"repeats inside its own entry"), std::wstring::npos);
    // As reported: looking up the sixth starts inside the fifth's entry.
    EXPECT_EQ(lookup(book, L"December 6"), L"\rSix");
    EXPECT_EQ(lookup(book, L"December 5"), L"\rFive\rDecember 6\rSix");
}

TEST_F(BookCheckTest, LineOfBlanksDoesNotEndAnEntry) {
    const std::string book = "May 1\r\nOne\r\n   \r\nMay 2\r\nTwo\r\n\r\n";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(linesOf(problems), (std::vector<std::uint64_t>{3, 4}));
    EXPECT_EQ(problems[0].kind, ProblemKind::blankLineInEntry);
    EXPECT_EQ(problems[1].kind, ProblemKind::keyInsideEntry);
    EXPECT_EQ(lookup(book, L"May 1"), L"\rOne\r   \rMay 2\rTwo");
}

TEST_F(BookCheckTest, ControlCharactersInAnyLineAndEncoding) {
    const std::string book =
        "May 1\r\nNUL \0 here\r\nEsc \x1B\r\nAnsi \x81\r\nUtf8 \xC2\x85\r\n\r\n"s;
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(linesOf(problems), (std::vector<std::uint64_t>{2, 3, 4, 5}));
    EXPECT_TRUE(std::all_of(problems.begin(), problems.end(), [](const Problem& problem) {
        return problem.kind == ProblemKind::controlCharacter;
    }));
    EXPECT_NE(problems[0].message.find(L"U+0000 (NUL)"), std::wstring::npos);
    EXPECT_NE(problems[2].message.find(L"U+0081"), std::wstring::npos);
    EXPECT_NE(problems[3].message.find(L"U+0085"), std::wstring::npos);
    EXPECT_EQ(lineProblems("May 1\r\nDash \xE2\x80\x94, curly \xE2\x80\x99 and \x93"
                           "ANSI\x94\r\n\r\n"),
              std::vector<Problem>{});
}

TEST_F(BookCheckTest, LineNumbersHoldInEveryEncodingAndWithEveryLineEnd) {
    const std::vector<std::uint64_t> expected{4, 8};
    EXPECT_EQ(linesOf(lineProblems("May 1\nOne\r\rDec 6\r\n\n\nMay 2\r\nTab\there\n\n")), expected);
    EXPECT_EQ(linesOf(lineProblems(
                  "\xEF\xBB\xBFMay 1\r\nOne\r\n\r\nDec 6\r\n\r\n\r\nMay 2\r\nTab\there\r\n\r\n")),
              expected);
    EXPECT_EQ(linesOf(lineProblems(
                  utf16leFile(u"May 1\r\nOne\r\n\r\nDec 6\r\n\r\n\r\nMay 2\r\nTab\there\r\n\r\n"))),
              expected);
    // A UTF-16 key line beyond Latin-1 is judged like a byte file's.
    platform.months[2] = L"\u043C\u0430\u0440\u0442";
    EXPECT_EQ(lineProblems(utf16leFile(u"\u041C\u0410\u0420\u0422 3\r\nOne\r\n\r\n")),
              std::vector<Problem>{});
    EXPECT_EQ(linesOf(lineProblems(utf16leFile(u"\r\n\u041C\u0410\u0420\u0422 03\r\n"))),
              (std::vector<std::uint64_t>{2}));
}

TEST_F(BookCheckTest, MonthNamesComeFromTheLocale) {
    platform.months[11] = L"Dezember";
    EXPECT_EQ(lineProblems("Dezember 6\r\nSechs\r\n\r\n"), std::vector<Problem>{});
    const std::vector<Problem> problems = lineProblems("December 6\r\nSix\r\n\r\n");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].message.find(L"\"December\" is not a month name"), std::wstring::npos);
    platform.months[0] = L"Januar";
    EXPECT_EQ(check("").front().message, L"no entry for \"Januar 1\"");
}

// A stream whose reading breaks off after its first bytes.
class BreakingBuffer : public std::streambuf {
  protected:
    int_type underflow() override {
        if (served_) {
            throw std::ios_base::failure("disk gone");
        }
        served_ = true;
        setg(text_.data(), text_.data(), text_.data() + text_.size());
        return traits_type::to_int_type(text_[0]);
    }

  private:
    std::string text_ = "May 1\r\nOne\r\n";
    bool served_ = false;
};

TEST_F(BookCheckTest, LongLinesAreJudgedAsFarAsTheProgramShowsThem) {
    const std::string longText(3 * kMaxQuoteTextLength, 'x');
    const std::string book = "May 1\r\n" + longText + "\r\n\r\nMay 2\r\n" +
                             std::string(kMaxQuoteTextLength / 2, 'y') + "\r\n" +
                             std::string(kMaxQuoteTextLength / 2, 'z') + "\r\n\r\n" +
                             "December 6, " + longText + "\r\n";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(linesOf(problems), (std::vector<std::uint64_t>{1, 4, 8}));
    EXPECT_EQ(problems[0].kind, ProblemKind::entryTooLong);
    EXPECT_NE(problems[0].message.find(L"cut off at line 2"), std::wstring::npos);
    EXPECT_NE(problems[1].message.find(L"cut off at line 6"), std::wstring::npos);
    // A long line is quoted only in part.
    EXPECT_EQ(problems[2].kind, ProblemKind::unmatchableKey);
    EXPECT_LT(problems[2].message.size(), 400u);
    EXPECT_NE(problems[2].message.find(L"xxx\u2026\""), std::wstring::npos);
    // The lookup shows the same cut entry.
    EXPECT_EQ(lookup(book, L"May 1").size(), kMaxQuoteTextLength);
}

TEST_F(BookCheckTest, ReadErrorIsNoCleanBook) {
    BreakingBuffer buffer;
    std::istream input(&buffer);
    EXPECT_FALSE(checkBook(input, platform).has_value());
}

TEST(CheckerText, LookupTextAsTerminalLines) {
    EXPECT_EQ(textAsLines(L"\rFirst\rSecond"), L"First\nSecond\n");
    EXPECT_EQ(textAsLines(L"\r \r"), L" \n\n");
    EXPECT_EQ(textAsLines(L""), L"");
}

TEST(CheckerText, ArgumentBytesAreUtf8OrElseLatin1) {
    EXPECT_EQ(argumentOfBytes("caf\xC3\xA9.txt").text, L"caf\u00E9.txt");
    const Argument latin1 = argumentOfBytes("caf\xE9.txt");
    EXPECT_EQ(latin1.text, L"caf\u00E9.txt");
    EXPECT_EQ(latin1.path, std::filesystem::path(std::string("caf\xE9.txt")));
}

// A book opened from a file, or over a stream that breaks off.
class FakeBook : public OpenBook {
  public:
    explicit FakeBook(std::unique_ptr<std::istream> stream) : stream_(std::move(stream)) {}

    std::istream& stream() override { return *stream_; }
    std::wstring readFailure() const override { return L"Input/output error"; }

  private:
    std::unique_ptr<std::istream> stream_;
};

// The checker's surroundings with fixed answers: the fake platform for every known
// locale, books opened as files, and the output collected.
class FakeEnvironment : public CheckerEnvironment {
  public:
    std::wstring output;
    std::wstring error;
    bool outputFails = false;
    bool booksBreak = false;

    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        auto platform = std::make_unique<FakeQuoteBookPlatform>();
        if (localeName == L"de") {
            platform->months[11] = L"Dezember";
        } else if (!localeName.empty()) {
            return nullptr;
        }
        return platform;
    }

    OpenedBook openBook(const std::filesystem::path& path) override {
        if (booksBreak) {
            return std::make_unique<FakeBook>(std::make_unique<std::istream>(&breakingBuffer_));
        }
        if (std::filesystem::is_directory(path)) {
            return L"it is a directory, not a quote book";
        }
        auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
        if (!*file) {
            return L"No such file or directory";
        }
        return std::make_unique<FakeBook>(std::move(file));
    }

    std::optional<std::wstring> writeOutput(std::wstring_view text) override {
        if (outputFails) {
            return L"No space left on device";
        }
        output += text;
        return std::nullopt;
    }
    void writeError(std::wstring_view text) override { error += text; }

  private:
    BreakingBuffer breakingBuffer_;
};

class RunCheckerTest : public ::testing::Test {
  protected:
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("quotidia-check-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    FakeEnvironment environment;

    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    Argument writeBook(const std::string& bytes) {
        const std::filesystem::path path = folder / "Quotes.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return {path.wstring(), path};
    }

    int run(std::vector<Argument> arguments) { return runChecker(arguments, environment); }
};

Argument text(const std::wstring& argument) {
    return {argument, std::filesystem::path(argument)};
}

TEST_F(RunCheckerTest, DayPrintsTheEntryOrSaysNothingMatches) {
    const Argument book = writeBook("December 6\r\nFirst line\r\nSecond line\r\n\r\n");
    EXPECT_EQ(run({book, text(L"--day"), text(L"DECEMBER 6")}), exit_code::clean);
    EXPECT_EQ(environment.output, L"First line\nSecond line\n");
    EXPECT_EQ(run({text(L"--day=December 7"), book}), exit_code::problems);
    EXPECT_NE(environment.error.find(L"nothing matches \"December 7\""), std::wstring::npos);
    EXPECT_EQ(run({text(L"--locale"), text(L"de"), text(L"--day"), text(L"Dezember 6"), book}),
              exit_code::problems);
}

TEST_F(RunCheckerTest, CheckReportsProblemsWithFileAndLine) {
    const Argument book = writeBook(fullBook(FakeQuoteBookPlatform{}) + "Dec 6\r\n");
    EXPECT_EQ(run({book}), exit_code::problems);
    EXPECT_NE(environment.output.find(book.text + L":1465: \"Dec 6\" looks like a day key"),
              std::wstring::npos);
    EXPECT_NE(environment.output.find(book.text + L": 1 problem\n"), std::wstring::npos);

    environment.output.clear();
    writeBook(fullBook(FakeQuoteBookPlatform{}));
    EXPECT_EQ(run({book}), exit_code::clean);
    EXPECT_EQ(environment.output, book.text + L": no problems; every day has its entry\n");

    // Under another locale every key of this book is no month name.
    EXPECT_EQ(run({text(L"--locale=de"), book}), exit_code::problems);
    EXPECT_NE(environment.output.find(L"no entry for \"Dezember 1\""), std::wstring::npos);
}

TEST_F(RunCheckerTest, BadArgumentsAndUnreadableBooksExitWithTwo) {
    const Argument book = writeBook("May 1\r\nOne\r\n\r\n");
    for (const std::vector<Argument>& arguments : {std::vector<Argument>{text(L"--frobnicate")},
                                                   {book, book},
                                                   {text(L"--day")},
                                                   {text(L"--day="), book},
                                                   {text(L"--locale")},
                                                   {text(L"--locale=xx"), book},
                                                   {text((folder / "missing.txt").wstring())},
                                                   {text(folder.wstring())}}) {
        environment.error.clear();
        EXPECT_EQ(run(arguments), exit_code::unusable);
        EXPECT_TRUE(environment.error.starts_with(L"quotidia-check: ")) << environment.error;
    }
    EXPECT_EQ(run({text(L"--"), text(L"--day")}), exit_code::unusable); // a FILE named --day
}

TEST_F(RunCheckerTest, FailuresSayWhyAndExitWithTwo) {
    const Argument book = writeBook(fullBook(FakeQuoteBookPlatform{}));
    EXPECT_EQ(run({text((folder / "missing.txt").wstring())}), exit_code::unusable);
    EXPECT_EQ(environment.error, L"quotidia-check: cannot open " +
                                     (folder / "missing.txt").wstring() +
                                     L": No such file or directory\n");

    environment.error.clear();
    environment.outputFails = true;
    EXPECT_EQ(run({book}), exit_code::unusable);
    EXPECT_EQ(run({book, text(L"--day=May 1")}), exit_code::unusable);
    const std::wstring writeFailure =
        L"quotidia-check: cannot write the output: No space left on device\n";
    EXPECT_EQ(environment.error, writeFailure + writeFailure);

    environment.error.clear();
    environment.outputFails = false;
    environment.booksBreak = true;
    for (const std::vector<Argument>& arguments :
         {std::vector<Argument>{book}, {book, text(L"--day=May 1")}}) {
        EXPECT_EQ(run(arguments), exit_code::unusable);
    }
    EXPECT_EQ(environment.error, L"quotidia-check: cannot read " + book.text +
                                     L": Input/output error\nquotidia-check: cannot read " +
                                     book.text + L": Input/output error\n");
    EXPECT_EQ(environment.output, L"");
}

// An environment whose memory runs out as soon as the checker asks it for anything.
class ExhaustedEnvironment : public FakeEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform>
    platformFor(std::wstring_view /*localeName*/) const override {
        throw std::bad_alloc();
    }
};

TEST(RunChecker, RunningOutOfMemoryIsReportedNotAnAbort) {
    ExhaustedEnvironment environment;
    EXPECT_EQ(runChecker({}, environment), exit_code::unusable);
    EXPECT_EQ(environment.error, L"quotidia-check: out of memory\n");
}

TEST_F(RunCheckerTest, ManyProblemsOfAKindAreCountedNotListed) {
    std::string book;
    for (int line = 0; line < 1012; ++line) {
        book += "Dec 6\r\n";
    }
    const Argument file = writeBook(book + "NUL \0\r\n"s);
    EXPECT_EQ(run({file}), exit_code::problems);
    const std::wstring& report = environment.output;
    const std::size_t more = report.find(L": \u2026 and 1,002 more like this\n");
    ASSERT_NE(more, std::wstring::npos) << std::string(report.begin(), report.end());
    // The count follows the tenth listed line of its kind, before the problems of later
    // lines; the days without an entry are counted the same way.
    EXPECT_EQ(std::count(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(more), L'\n'),
              10);
    EXPECT_LT(more, report.find(L"U+0000 (NUL)"));
    EXPECT_NE(report.find(L"no entry for \"January 10\"\n" + file.text +
                          L": \u2026 and 356 more like this\n"),
              std::wstring::npos);
    EXPECT_TRUE(report.ends_with(L": 1379 problems\n"));
}

TEST_F(RunCheckerTest, HelpDescribesTheOptions) {
    EXPECT_EQ(run({text(L"--help")}), exit_code::clean);
    for (const std::wstring_view part : {L"Usage: quotidia-check [FILE]", L"--day", L"--locale",
                                         L"Quotes.txt", L"empty first line", L"Exit status 2"}) {
        EXPECT_NE(environment.output.find(part), std::wstring::npos)
            << std::string(part.begin(), part.end());
    }
}

} // namespace
} // namespace quotidia
