#include "block_reader.h"
#include "fake_quotebook_platform.h"
#include "key_line.h"
#include "line_scanner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace quotidia {
namespace {

struct NumberedLine {
    std::uint64_t number;
    std::string text;

    friend bool operator==(const NumberedLine&, const NumberedLine&) = default;
};

std::vector<NumberedLine> shortLines(const std::string& bytes, std::size_t maxLength) {
    std::istringstream input(bytes);
    BlockReader reader(input);
    LineScanner<char> scanner(reader);
    std::vector<NumberedLine> lines;
    while (const auto line = scanner.nextShortLine(maxLength)) {
        lines.push_back({line->number, std::string(line->text)});
    }
    EXPECT_FALSE(scanner.failed());
    return lines;
}

std::vector<NumberedLine> shortLinesWith(const std::string& bytes, std::string_view anchor,
                                         std::size_t maxLength) {
    std::istringstream input(bytes);
    BlockReader reader(input);
    LineScanner<char> scanner(reader);
    std::vector<NumberedLine> lines;
    while (const auto line = scanner.nextShortLineWith(anchor, maxLength)) {
        lines.push_back({line->number, std::string(line->text)});
    }
    return lines;
}

std::vector<std::string> wholeLines(const std::string& bytes) {
    std::istringstream input(bytes);
    BlockReader reader(input);
    LineScanner<char> scanner(reader);
    std::vector<std::string> lines;
    while (const auto line = scanner.nextLine()) {
        EXPECT_EQ(line->number, lines.size() + 1);
        lines.emplace_back(line->text);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineScanner, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(wholeLines(""), Lines{});
    EXPECT_EQ(wholeLines("a"), Lines{"a"});
    EXPECT_EQ(wholeLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(wholeLines("a\r"), Lines{"a"});
    EXPECT_EQ(wholeLines("\r\n"), Lines{""});
    EXPECT_EQ(wholeLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(wholeLines("a\n\rb\r\rc\n\nd"), (Lines{"a", "", "b", "", "c", "", "d"}));
    EXPECT_EQ(wholeLines(" a \r\n\tb"), (Lines{" a ", "\tb"}));
}

TEST(LineScanner, LineEndsAtAndAcrossBlockEnds) {
    const std::size_t block = BlockReader::kBlockSize;
    const std::string first(block - 1, 'a');
    EXPECT_EQ(wholeLines(first + "\r\nb"), (Lines{first, "b"}));
    EXPECT_EQ(wholeLines(first + "\r\rb"), (Lines{first, "", "b"}));
    EXPECT_EQ(wholeLines(first + "\n\nb"), (Lines{first, "", "b"}));
    EXPECT_EQ(wholeLines(first + "\r"), (Lines{first}));
    const std::string whole(block, 'a');
    EXPECT_EQ(wholeLines(whole + "\r\n"), (Lines{whole}));
    EXPECT_EQ(wholeLines(whole + "\n"), (Lines{whole}));
    const std::string longLine(3 * block + 7, 'z');
    EXPECT_EQ(wholeLines("x\r" + longLine + "\r\ny"), (Lines{"x", longLine, "y"}));
}

TEST(LineScanner, LinesAreHeldOnlyUpToTheAskedLength) {
    const std::string longLine(3 * BlockReader::kBlockSize + 7, 'z');
    std::istringstream input("abcdef\r\nxyz\r\n" + longLine + "\r\n\r\nend");
    BlockReader reader(input);
    LineScanner<char> scanner(reader);
    std::vector<std::pair<std::string, bool>> lines;
    while (const auto line = scanner.nextLine(3)) {
        lines.emplace_back(line->text, line->cut);
    }
    EXPECT_EQ(lines,
              (std::vector<std::pair<std::string, bool>>{
                  {"abc", true}, {"xyz", false}, {"zzz", true}, {"", false}, {"end", false}}));
}

TEST(LineScanner, ShortLinesLoseTheirOuterBlanksAndLongOnesArePassedOver) {
    EXPECT_EQ(shortLines(" \t ab c\t \r\n\t\r\nabcdef\r\n  abcde  \r\n  abcdef", 5),
              (std::vector<NumberedLine>{{1, "ab c"}, {2, ""}, {4, "abcde"}}));

    // Across blocks only the trimmed line is held, and blank runs of any length.
    const std::string blanks(2 * BlockReader::kBlockSize + 3, ' ');
    EXPECT_EQ(shortLines(blanks + "a \t b" + blanks + "\n" + blanks + "a" + blanks + "b\nc", 5),
              (std::vector<NumberedLine>{{1, "a \t b"}, {3, "c"}}));
    const std::string filler(BlockReader::kBlockSize - 3, 'f');
    EXPECT_EQ(shortLines(filler + "\n  abc  \n", 5), (std::vector<NumberedLine>{{2, "abc"}}));
}

TEST(LineScanner, ShortLinesWithAnAnchorAreFoundWithoutReadingTheOthers) {
    EXPECT_EQ(shortLinesWith("a6\r\nbb\r\n  6  \r\nlong line 6\r\n\r\n6", "6", 5),
              (std::vector<NumberedLine>{{1, "a6"}, {0, "6"}, {0, "6"}}));
    EXPECT_EQ(shortLinesWith("no\rdigits\n", "6", 5), std::vector<NumberedLine>{});

    const std::size_t block = BlockReader::kBlockSize;
    EXPECT_EQ(shortLinesWith(std::string(block - 3, 'f') + "\n  a 6 \nb", "6", 5),
              (std::vector<NumberedLine>{{0, "a 6"}}));
    EXPECT_EQ(shortLinesWith(std::string(block + 10, 'f') + "6\nx6", "6", 5),
              (std::vector<NumberedLine>{{2, "x6"}}));
    EXPECT_EQ(
        shortLinesWith(std::string(block - 1, 'f') + "\r\n6\r" + std::string(block, ' '), "6", 5),
        (std::vector<NumberedLine>{{0, "6"}}));
}

TEST(LineScanner, AnchorCountsOnlyWhereAKeyMayEnd) {
    EXPECT_EQ(shortLinesWith("x 16\r\nb 6c\r\n 6x\r\n  b 6\r\nc 6\"", " 6", 5),
              (std::vector<NumberedLine>{{0, "b 6"}, {0, "c 6\""}}));
    // The anchor's first units lie in the line, never before its start.
    EXPECT_EQ(shortLinesWith("a \r\n6\r\n", " 6", 5), std::vector<NumberedLine>{});
}

TEST(KeyLineMatcher, AnchorIsTheKeysTailThatNoLetterCaseChanges) {
    const testing::FakeQuoteBookPlatform platform;
    EXPECT_EQ(KeyLineMatcher(L"December 6", platform).anchor(), " 6");
    EXPECT_EQ(KeyLineMatcher(L"May 11", platform).anchor(), " 11");
    EXPECT_EQ(KeyLineMatcher(L"6 December", platform).anchor(), std::nullopt);
}

TEST(LineScanner, Utf16UnitsAndAnOddLastByte) {
    std::istringstream input(std::string("\xFF\xFE"
                                         "a\0\r\0\n\0\x42\x04\r\0\x7A",
                                         13));
    BlockReader reader(input);
    ASSERT_EQ(readByteOrderMark(reader), QuoteFileEncoding::utf16Le);
    LineScanner<char16_t> scanner(reader);
    EXPECT_EQ(scanner.nextLine()->text, u"a");
    EXPECT_EQ(scanner.nextLine()->text, u"\u0442");
    EXPECT_FALSE(scanner.nextLine());
}

TEST(KeyItem, ReadsOneItemOrNone) {
    EXPECT_EQ(keyItemOf("May 1"), "May 1");
    EXPECT_EQ(keyItemOf("\"May 1\""), "May 1");
    EXPECT_EQ(keyItemOf("\"May, 1\""), "May, 1");
    EXPECT_EQ(keyItemOf("\"May 1"), "May 1");
    EXPECT_EQ(keyItemOf("\"\""), "");
    EXPECT_EQ(keyItemOf("May \"1\""), "May \"1\"");
    EXPECT_FALSE(keyItemOf("May, 1"));
    EXPECT_FALSE(keyItemOf("\"May\" 1"));
    EXPECT_FALSE(keyItemOf("\"May\"\"1\""));
}

} // namespace
} // namespace quotidia
