#include "day_line_rewrite.h"

#include "book_check.h"

#include "fake_quotebook_platform.h"
#include "quote_lookup.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quotidia {
namespace {

using testing::FakeQuoteBookPlatform;

FakeQuoteBookPlatform platformWith(std::array<std::wstring, 12> months) {
    FakeQuoteBookPlatform platform;
    platform.months = std::move(months);
    return platform;
}

const FakeQuoteBookPlatform kEnglish;
const FakeQuoteBookPlatform kGerman =
    platformWith({L"Januar", L"Februar", L"M\u00E4rz", L"April", L"Mai", L"Juni", L"Juli",
                  L"August", L"September", L"Oktober", L"November", L"Dezember"});
const FakeQuoteBookPlatform kFrench =
    platformWith({L"janvier", L"f\u00E9vrier", L"mars", L"avril", L"mai", L"juin", L"juillet",
                  L"ao\u00FBt", L"septembre", L"octobre", L"novembre", L"d\u00E9cembre"});
const FakeQuoteBookPlatform kSpanish =
    platformWith({L"enero", L"febrero", L"marzo", L"abril", L"mayo", L"junio", L"julio", L"agosto",
                  L"septiembre", L"octubre", L"noviembre", L"diciembre"});
const FakeQuoteBookPlatform kRussian =
    platformWith({L"\u042F\u043D\u0432\u0430\u0440\u044C", L"February", L"March", L"April", L"May",
                  L"June", L"July", L"August", L"September", L"October", L"November", L"December"});

struct Rewritten {
    DayLineRewriteResult result;
    std::string bytes;
};

Rewritten rewrite(const std::string& book, const QuoteBookPlatform& from,
                  const QuoteBookPlatform& to) {
    std::istringstream input(book);
    Rewritten rewritten;
    rewritten.result = rewriteDayLines(input, from, to, [&](std::string_view bytes) {
        rewritten.bytes += bytes;
        return true;
    });
    return rewritten;
}

enum class Encoding { utf8, utf8Mark, utf16Le, ansi };

// The book's text in an encoding; the text holds only characters Windows-1252 has.
std::string encode(const std::wstring& text, Encoding encoding) {
    std::string bytes;
    switch (encoding) {
    case Encoding::utf8Mark:
        bytes = "\xEF\xBB\xBF";
        [[fallthrough]];
    case Encoding::utf8:
        return bytes + utf8Of(text);
    case Encoding::utf16Le:
        bytes = "\xFF\xFE";
        for (const wchar_t character : text) {
            bytes += static_cast<char>(character & 0xFF);
            bytes += static_cast<char>((character >> 8) & 0xFF);
        }
        return bytes;
    case Encoding::ansi:
        for (const wchar_t character : text) {
            bytes += character == L'\u2014' ? '\x97' : static_cast<char>(character);
        }
        return bytes;
    }
    return bytes;
}

// An English book with day lines of every month in several shapes, quotation lines and
// notes that only look like day lines, and a last line without a line end.
std::wstring englishBook(std::wstring_view lineEnd) {
    const std::vector<std::wstring> lines = {
        L"A note before the first entry, January 1 to December 31",
        L"January 1",
        L"Ring out the old, ring in the new \u2014 Tennyson",
        L"",
        L"  FEBRUARY 29\t ",
        L"Leap day \u00E9t\u00E9",
        L"",
        L"\"March 3\"",
        L"Life, March 3",
        L"",
        L"\"April 4",
        L"Dec 6",
        L"",
        L"May 5",
        L"June 06",
        L"",
        L"July 7",
        L"August 8",
        L"",
        L"September 9",
        L"Quotation",
        L"",
        L"October 10",
        L"Quotation",
        L"",
        L"November 11",
        L"Quotation",
        L"",
        L"December 31",
        L"The last \u2014 someone"};
    std::wstring book;
    for (const std::wstring& line : lines) {
        book += line + std::wstring(lineEnd);
    }
    return book + L"trailing line without an end";
}

TEST(RewriteDays, RoundTripThroughGermanFrenchAndSpanishKeepsEveryByte) {
    for (const Encoding encoding :
         {Encoding::utf8, Encoding::utf8Mark, Encoding::utf16Le, Encoding::ansi}) {
        for (const std::wstring_view lineEnd : {L"\r\n", L"\n", L"\r"}) {
            SCOPED_TRACE(::testing::Message() << "encoding " << static_cast<int>(encoding)
                                              << ", line end " << lineEnd.size());
            const std::string original = encode(englishBook(lineEnd), encoding);
            const Rewritten german = rewrite(original, kEnglish, kGerman);
            ASSERT_EQ(german.result.outcome, DayLineRewriteResult::Outcome::rewritten);
            EXPECT_EQ(german.result.rewrittenLines, 11u);
            // The program finds the days in the rewritten book under German.
            std::istringstream asGerman(german.bytes);
            EXPECT_EQ(findQuotes(asGerman, L"Februar 29", kGerman), L"\rLeap day \u00E9t\u00E9");

            const Rewritten french = rewrite(german.bytes, kGerman, kFrench);
            const Rewritten spanish = rewrite(french.bytes, kFrench, kSpanish);
            const Rewritten english = rewrite(spanish.bytes, kSpanish, kEnglish);
            EXPECT_EQ(english.result.outcome, DayLineRewriteResult::Outcome::rewritten);
            EXPECT_EQ(english.bytes, original);
        }
    }
}

TEST(RewriteDays, NewNamesInTheBooksEncodingWithItsLetterCaseAndBlanks) {
    const std::string book = "A note \x97\r\n"
                             "  \"MARCH 3\"  \r\n"
                             "march 4\r\n"
                             "December 6\r\n";
    // The note is not UTF-8, so the book is in the ANSI code page, and so are new names.
    EXPECT_EQ(rewrite(book, kEnglish, kGerman).bytes, "A note \x97\r\n"
                                                      "  \"M\xC4RZ 3\"  \r\n"
                                                      "m\xE4rz 4\r\n"
                                                      "Dezember 6\r\n");
    EXPECT_EQ(rewrite("March 3\r\n", kEnglish, kGerman).bytes, "M\xC3\xA4rz 3\r\n");
}

TEST(RewriteDays, NameTheCodePageCannotHoldFailsWithTheLineAndWritesNothing) {
    bool written = false;
    std::istringstream book("Note \x97\r\nJanuary 1\r\nOne\r\n\r\nJANUARY 2\r\n");
    const DayLineRewriteResult result =
        rewriteDayLines(book, kEnglish, kRussian, [&](std::string_view) {
            written = true;
            return true;
        });
    EXPECT_EQ(result.outcome, DayLineRewriteResult::Outcome::linesFailed);
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0].line, 2u);
    EXPECT_EQ(result.failures[1].line, 5u);
    EXPECT_FALSE(written);
    // In UTF-8 the same names are written.
    EXPECT_EQ(rewrite("January 1\r\n", kEnglish, kRussian).result.outcome,
              DayLineRewriteResult::Outcome::rewritten);
}

TEST(RewriteDays, RefusedBytesAndUnreadableBooksAreReported) {
    std::istringstream book("January 1\r\nOne\r\n\r\n");
    EXPECT_EQ(
        rewriteDayLines(book, kEnglish, kGerman, [](std::string_view) { return false; }).outcome,
        DayLineRewriteResult::Outcome::writeFailed);
    std::istringstream broken("January 1\r\n");
    broken.setstate(std::ios::badbit);
    EXPECT_EQ(
        rewriteDayLines(broken, kEnglish, kGerman, [](std::string_view) { return true; }).outcome,
        DayLineRewriteResult::Outcome::readFailed);
}

TEST(RewriteDays, LongLinesPassUnchangedAndAnOddLastByteOfUtf16Stays) {
    const std::string longLine(300 * 1024, 'x');
    const std::string book = longLine + "\r\nMay 5\r\n";
    EXPECT_EQ(rewrite(book, kEnglish, kGerman).bytes, longLine + "\r\nMai 5\r\n");
    const std::string utf16 = std::string("\xFF\xFEM\0a\0y\0 \0\x35\0", 12) + "\x0A";
    EXPECT_EQ(rewrite(utf16, kEnglish, kGerman).bytes,
              std::string("\xFF\xFEM\0a\0i\0 \0\x35\0", 12) + "\x0A");
}

TEST(RewriteDays, EnglishIsTheDefaultWhateverTheLocale) {
    const EnglishMonthNames english(kGerman);
    EXPECT_EQ(english.monthName(3), L"March");
    EXPECT_EQ(english.toLower(L"M\u00C4RZ"), L"m\u00E4rz");
}

} // namespace
} // namespace quotidia
