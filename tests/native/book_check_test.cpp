#include "book_check.h"

#include "checker_test_books.h"
#include "fake_quotebook_platform.h"
#include "quote_lookup.h"
#include "utf16le.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace quotidia {
namespace {

using namespace std::string_literals;
using testing::BreakingBuffer;
using testing::FakeQuoteBookPlatform;
using testing::fullBook;
using testing::utf16leFile;

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

TEST_F(BookCheckTest, LongLinesAreJudgedAsFarAsTheProgramShowsThem) {
    const std::string longText(3 * kMaxQuoteTextLength, 'x');
    const std::string book = "May 1\r\n" + longText + "\r\n\r\nMay 2\r\n" +
                             std::string(kMaxQuoteTextLength / 2, 'y') + "\r\n" +
                             std::string(kMaxQuoteTextLength / 2, 'z') + "\r\n\r\n" +
                             "December 6, " + longText + "\r\n";
    const std::vector<Problem> problems = lineProblems(book);
    ASSERT_EQ(linesOf(problems), (std::vector<std::uint64_t>{1, 4, 8}));
    EXPECT_EQ(problems[0].kind, ProblemKind::entryOverLimit);
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

} // namespace
} // namespace quotidia
