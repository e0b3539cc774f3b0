#include "checker_command_line.h"

#include "checker_test_books.h"
#include "file_replacement.h"
#include "quotation_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace quotidia {
namespace {

using namespace std::string_literals;
using testing::BreakingBuffer;
using testing::FakeQuoteBookPlatform;
using testing::fullBook;

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
// locale ("de" has German month names), books opened as files, the output collected,
// files replaced for real unless a failure is asked for, and a quotation area of five
// lines where asked for.
class FakeEnvironment : public CheckerEnvironment {
  public:
    std::wstring output;
    std::wstring error;
    std::string outputBytes;
    bool outputFails = false;
    bool booksBreak = false;
    std::optional<std::size_t> failWritingAfter; // bytes written to a file before it fails
    bool measures = false;

    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        auto platform = std::make_unique<FakeQuoteBookPlatform>();
        if (localeName == L"de") {
            platform->months = {L"Januar",    L"Februar", L"M\u00E4rz", L"April",
                                L"Mai",       L"Juni",    L"Juli",      L"August",
                                L"September", L"Oktober", L"November",  L"Dezember"};
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
    bool writeOutputBytes(std::string_view bytes) override {
        outputBytes += bytes;
        return true;
    }

    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) override {
        std::unique_ptr<FileReplacement> real = startFileReplacement(destination);
        if (!failWritingAfter || !real) {
            return real;
        }
        return std::make_unique<FailingReplacement>(std::move(real), *failWritingAfter);
    }

    std::vector<KnownLocale> knownLocales() const override { return {{L"de", L"German"}}; }

    std::unique_ptr<QuotationFit> quotationFit() override {
        return measures ? std::make_unique<FiveLineArea>() : nullptr;
    }

  private:
    BreakingBuffer breakingBuffer_;

    // A real replacement whose disk fills up after so many bytes.
    class FailingReplacement : public FileReplacement {
      public:
        FailingReplacement(std::unique_ptr<FileReplacement> real, std::size_t room)
            : real_(std::move(real)), room_(room) {}
        bool write(std::string_view bytes) override {
            if (bytes.size() > room_) {
                real_->write(bytes.substr(0, room_));
                return false;
            }
            room_ -= bytes.size();
            return real_->write(bytes);
        }
        bool commit() override { return real_->commit(); }

      private:
        std::unique_ptr<FileReplacement> real_;
        std::size_t room_;
    };

    // One line per quotation line and the empty first line; five lines fit.
    class FiveLineArea : public QuotationFit {
      public:
        int overflowingLines(std::wstring_view quoteText) override {
            const auto lines =
                static_cast<int>(std::count(quoteText.begin(), quoteText.end(), L'\r')) + 1;
            return std::max(lines - 5, 0);
        }
        std::wstring description() const override { return L"\nMeasured in five lines.\n"; }
    };
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
    EXPECT_TRUE(
        environment.output.ends_with(book.text + L": no problems; every day has its entry\n"));
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

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(RunCheckerTest, RewriteDaysInPlaceOrToStandardOutput) {
    const std::string english = "December 6\r\nOne\r\n\r\n";
    const Argument book = writeBook(english);
    EXPECT_EQ(run({text(L"--rewrite-days"), book, text(L"--locale=de")}), exit_code::clean);
    EXPECT_EQ(environment.outputBytes, "Dezember 6\r\nOne\r\n\r\n");
    EXPECT_EQ(readFile(book.path), english);

    EXPECT_EQ(run({text(L"--rewrite-days"), book, text(L"--locale"), text(L"de"), text(L"--output"),
                   book}),
              exit_code::clean);
    EXPECT_EQ(readFile(book.path), "Dezember 6\r\nOne\r\n\r\n");
    EXPECT_NE(environment.output.find(L"1 day line rewritten from English"), std::wstring::npos);
    EXPECT_EQ(run({text(L"--rewrite-days"), book, text(L"--from=de"), text(L"--output"), book}),
              exit_code::clean);
    EXPECT_EQ(readFile(book.path), english);
    // Only the book is left in its folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(RunCheckerTest, FailedWriteLeavesTheOriginalAndNoTemporaryFile) {
    std::string english;
    for (int day = 1; day <= 31; ++day) {
        english +=
            "December " + std::to_string(day) + "\r\n" + std::string(100000, 'q') + "\r\n\r\n";
    }
    const Argument book = writeBook(english);
    environment.failWritingAfter = 1000000;
    EXPECT_EQ(run({text(L"--rewrite-days"), book, text(L"--locale=de"), text(L"--output"), book}),
              exit_code::unusable);
    EXPECT_NE(environment.error.find(L"it is as it was"), std::wstring::npos);
    EXPECT_EQ(readFile(book.path), english);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    // An output in a folder that does not exist cannot even start.
    EXPECT_EQ(run({text(L"--rewrite-days"), book, text(L"--output"),
                   text((folder / "missing" / "Quotes.txt").wstring())}),
              exit_code::unusable);
}

TEST_F(RunCheckerTest, RewriteDaysArgumentsAreChecked) {
    const Argument book = writeBook("May 1\r\nOne\r\n\r\n");
    for (const std::vector<Argument>& arguments :
         {std::vector<Argument>{book, text(L"--from=de")},
          {book, text(L"--output"), book},
          {text(L"--rewrite-days"), book, text(L"--day=May 1")},
          {text(L"--rewrite-days"), book, text(L"--from=xx")},
          {text(L"--rewrite-days"), book, text(L"--output")},
          {text(L"--rewrite-days"), text(folder.wstring())}}) {
        EXPECT_EQ(run(arguments), exit_code::unusable);
    }
}

TEST_F(RunCheckerTest, BookInAnotherLanguageIsSaidOnceWithTheCommandThatRewritesIt) {
    FakeEnvironment german;
    std::string book;
    for (const std::wstring& key : allDayKeys(*german.platformFor(L"de"))) {
        book += utf8Of(key) + "\r\nQuotation\r\n\r\n";
    }
    book += "Mai 1\r\nShown instead of the first\r\n\r\n";
    const Argument path = writeBook(book);
    EXPECT_EQ(run({path}), exit_code::problems);
    const std::wstring& report = environment.output;
    EXPECT_NE(report.find(path.text + L": the day lines are in German (246 of 367 are German day "
                                      L"keys and not those of this locale)"),
              std::wstring::npos)
        << utf8Of(report);
    EXPECT_NE(report.find(L"quotidia-check --rewrite-days \"" + path.text +
                          L"\" --from de --output \"" + path.text + L"\""),
              std::wstring::npos);
    // The other problems are still listed: here the hidden entry for "Mai 1".
    EXPECT_NE(report.find(L"the entry for \"Mai 1\" is hidden"), std::wstring::npos);
    EXPECT_EQ(report.find(L"is not a month name"), std::wstring::npos);
    EXPECT_EQ(report.find(L"no entry for"), std::wstring::npos);

    // An English book under a German locale names English; it needs no --from.
    environment.output.clear();
    writeBook(fullBook(FakeQuoteBookPlatform{}));
    EXPECT_EQ(run({text(L"--locale=de"), path}), exit_code::problems);
    EXPECT_NE(environment.output.find(L"in English"), std::wstring::npos);
    EXPECT_NE(
        environment.output.find(L"--rewrite-days \"" + path.text + L"\" --locale de --output"),
        std::wstring::npos);
    EXPECT_NE(environment.output.find(path.text + L": 1 problem\n"), std::wstring::npos);
}

TEST_F(RunCheckerTest, EntriesAreMeasuredWhereTextCanBeOtherwiseThatIsSaidOnce) {
    std::string book = fullBook(FakeQuoteBookPlatform{});
    book += "December 6\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n\r\n";
    const Argument path = writeBook(book);
    EXPECT_EQ(run({path}), exit_code::problems);
    const auto count = [&](std::wstring_view part) {
        std::size_t found = 0;
        for (std::size_t at = environment.output.find(part); at != std::wstring::npos;
             at = environment.output.find(part, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(count(L"cannot measure text"), 1u);
    EXPECT_EQ(count(L"does not fit"), 0u);

    environment.output.clear();
    environment.measures = true;
    EXPECT_EQ(run({path}), exit_code::problems);
    EXPECT_NE(environment.output.find(
                  path.text + L":1465: the entry for \"December 6\" does not "
                              L"fit the quotation area: as the window wraps it, 2 lines overflow"),
              std::wstring::npos)
        << utf8Of(environment.output);
    EXPECT_EQ(count(L"cannot measure text"), 0u);

    environment.output.clear();
    EXPECT_EQ(run({text(L"--help")}), exit_code::clean);
    EXPECT_NE(environment.output.find(L"Measured in five lines."), std::wstring::npos);
    environment.measures = false;
    EXPECT_EQ(run({text(L"--help")}), exit_code::clean);
    EXPECT_EQ(count(L"cannot measure text"), 1u);
}

} // namespace
} // namespace quotidia
