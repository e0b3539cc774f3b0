#include "quote_lookup.h"

#include "block_reader.h"
#include "fake_quotebook_platform.h"
#include "utf16le.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>

namespace quotidia {
namespace {

using namespace std::string_literals;
using testing::FakeQuoteBookPlatform;
using testing::utf16le;

class QuoteLookupTest : public ::testing::Test {
  protected:
    FakeQuoteBookPlatform platform;

    std::wstring lookup(const std::string& fileBytes, std::wstring_view key = L"December 6") {
        std::istringstream file(fileBytes);
        return findQuotes(file, key, platform);
    }

    // The entry "December 6" / "Six" after a line to be judged.
    bool isKeyLine(const std::string& line) { return lookup(line + "\r\nSix\r\n\r\n") == L"\rSix"; }
};

TEST_F(QuoteLookupTest, KeyLineEqualsTheKeyIgnoringCaseAndOuterBlanks) {
    EXPECT_TRUE(isKeyLine("December 6"));
    EXPECT_TRUE(isKeyLine("DECEMBER 6"));
    EXPECT_TRUE(isKeyLine("dEcEmBeR 6"));
    EXPECT_TRUE(isKeyLine(" \t December 6 \t "));
    EXPECT_FALSE(isKeyLine("December  6"));
    EXPECT_FALSE(isKeyLine("December 06"));
    EXPECT_FALSE(isKeyLine("December 60"));
    EXPECT_FALSE(isKeyLine("December 6th"));
    EXPECT_FALSE(isKeyLine("6 December"));
    EXPECT_FALSE(isKeyLine(""));
}

TEST_F(QuoteLookupTest, NinthOfAMonthHasNoLeadingZero) {
    EXPECT_EQ(lookup("December 09\r\nZero\r\n\r\nDecember 9\r\nNine\r\n\r\n", L"December 9"),
              L"\rNine");
}

TEST_F(QuoteLookupTest, QuotedKeyLineHoldsOnlyTheQuotedItem) {
    EXPECT_TRUE(isKeyLine("\"December 6\""));
    EXPECT_TRUE(isKeyLine("  \"DECEMBER 6\" \t"));
    EXPECT_FALSE(isKeyLine("\" December 6\""));
    EXPECT_FALSE(isKeyLine("\"December 6\" and more"));
    EXPECT_FALSE(isKeyLine("\"December 6\",\"December 6\""));
    EXPECT_FALSE(isKeyLine("\"December\" 6"));
}

TEST_F(QuoteLookupTest, UnclosedQuoteRunsOnlyToItsLineEnd) {
    EXPECT_TRUE(isKeyLine("\"December 6"));
    EXPECT_TRUE(isKeyLine("\"December 6  "));
    // An unclosed quotation mark in an earlier entry hides none of the later keys.
    EXPECT_EQ(lookup("December 5\r\n\"Never closed\r\nstill five\r\n\r\n"
                     "December 6\r\nSix\r\n\r\n"),
              L"\rSix");
}

TEST_F(QuoteLookupTest, PieceOfACommaSeparatedLineIsNoKey) {
    EXPECT_FALSE(isKeyLine("Life, December 6"));
    EXPECT_FALSE(isKeyLine("December 6, Life"));
    EXPECT_FALSE(isKeyLine("December 6,"));
    EXPECT_EQ(lookup("December 5\r\nLife, December 6\r\nFive\r\n\r\n"), L"");
}

TEST_F(QuoteLookupTest, EntryLinesAreCollectedWholeAfterCarriageReturns) {
    EXPECT_EQ(lookup("December 6\r\nFirst line\r\nSecond line\r\n\r\n"),
              L"\rFirst line\rSecond line");
    EXPECT_EQ(lookup("December 5\r\nFive\r\n\r\nDecember 6\r\n  \"Quoted\", she said.  \r\n"
                     "December 7\r\n\t\r\n\r\nDecember 7\r\nSeven\r\n"),
              L"\r  \"Quoted\", she said.  \rDecember 7\r\t");
}

TEST_F(QuoteLookupTest, LastEntryWithTheKeyWins) {
    EXPECT_EQ(lookup("December 6\r\nOld\r\n\r\nDecember 6\r\nNew\r\nNewer\r\n\r\n"),
              L"\rNew\rNewer");
    EXPECT_EQ(lookup("December 6\r\nOld\r\n\r\nDecember 6\r\n\r\nNot an entry\r\n"), L"");
}

TEST_F(QuoteLookupTest, KeyFollowedByAnEmptyLineHasNoText) {
    EXPECT_EQ(lookup("December 6\r\n\r\nOther\r\n\r\n"), L"");
    EXPECT_EQ(lookup("December 6\r\n"), L"");
    EXPECT_EQ(lookup("December 6"), L"");
}

TEST_F(QuoteLookupTest, EndOfFileEndsTheEntry) {
    EXPECT_EQ(lookup("December 5\r\nFive\r\n\r\nDecember 6\r\nFirst\r\nLast"), L"\rFirst\rLast");
    EXPECT_EQ(lookup("December 6\r\nFirst\r\nLast\r\n"), L"\rFirst\rLast");
    // The next lookup of another day works normally.
    EXPECT_EQ(lookup("December 5\r\nFive\r\n\r\nDecember 6\r\nSix", L"December 5"), L"\rFive");
}

TEST_F(QuoteLookupTest, EmptyKeyFindsNothing) {
    EXPECT_EQ(lookup("\r\n\r\nText\r\n\r\n", L""), L"");
}

TEST_F(QuoteLookupTest, KeyWithoutADigitIsFoundLineByLine) {
    EXPECT_EQ(lookup("Boxing Day\r\nOld\r\n\r\nBoxing Day, again\r\n\r\n  \"BOXING DAY\"\r\nNew",
                     L"boxing day"),
              L"\rNew");
}

TEST_F(QuoteLookupTest, DigitThatAnotherCharacterLowerCasesToIsNoShortcut) {
    class OddPlatform : public FakeQuoteBookPlatform {
      public:
        std::wstring toLower(std::wstring_view text) const override {
            std::wstring lower = FakeQuoteBookPlatform::toLower(text);
            std::replace(lower.begin(), lower.end(), L'x', L'6');
            return lower;
        }
    };
    const OddPlatform odd;
    std::istringstream file("December X\r\nSix\r\n");
    EXPECT_EQ(findQuotes(file, L"December 6", odd), L"\rSix");
}

TEST_F(QuoteLookupTest, AnyLineEndEndsALine) {
    EXPECT_EQ(lookup("December 6\nFirst\nSecond\n\nOther\n"), L"\rFirst\rSecond");
    EXPECT_EQ(lookup("December 6\rFirst\rSecond\r\rOther\r"), L"\rFirst\rSecond");
    EXPECT_EQ(lookup("x\rDecember 6\nFirst\r\nSecond\r\n\nOther"), L"\rFirst\rSecond");
    EXPECT_EQ(lookup("December 6\n\rFirst\r\n"), L"");
}

TEST_F(QuoteLookupTest, CarriageReturnAndLineFeedSplitByABlockEndAreOneLineEnd) {
    // The block ends between the CR and the LF after "First".
    const std::string entry = "\r\nDecember 6\r\nFirst";
    const std::string filler(BlockReader::kBlockSize - entry.size() - 1, 'f');
    EXPECT_EQ(lookup(filler + entry + "\r\nSecond\r\n\r\n"), L"\rFirst\rSecond");
}

TEST_F(QuoteLookupTest, KeyLineSplitByABlockEnd) {
    for (std::size_t shift = 0; shift < 14; ++shift) {
        const std::string padding(BlockReader::kBlockSize - shift - 2, 'p');
        EXPECT_EQ(lookup(padding + "\r\n  December 6 \r\nSix\r\n\r\n"), L"\rSix") << shift;
        EXPECT_EQ(lookup(padding + "\r\n  December 6,\r\nSix\r\n\r\n"), L"") << shift;
    }
}

TEST_F(QuoteLookupTest, LongRunsOfBlanksAroundAKeyAreNotContent) {
    const std::string blanks(3 * BlockReader::kBlockSize, ' ');
    EXPECT_EQ(lookup(blanks + "December 6" + blanks + "\r\nSix\r\n\r\n"), L"\rSix");
    EXPECT_EQ(lookup("\"December" + blanks + "6\"\r\nSix\r\n\r\n"), L"");
    EXPECT_EQ(lookup("December 6" + blanks + "x\r\nSix\r\n\r\n"), L"");
}

TEST_F(QuoteLookupTest, Utf8ByteOrderMarkIsSkipped) {
    EXPECT_EQ(lookup("\xEF\xBB\xBF"
                     "December 6\r\nSix\r\n\r\n"),
              L"\rSix");
}

TEST_F(QuoteLookupTest, EachLineIsUtf8WhenValidAndAnsiOtherwise) {
    EXPECT_EQ(lookup("December 6\r\nIt\xE2\x80\x99s \xE2\x80\x9C"
                     "caf\xC3\xA9\xE2\x80\x9D \xE2\x80\x94 me\r\n"
                     "\x93"
                     "Caf\xE9\x94 \x96 \x80"
                     "5\r\n"
                     "Stray \xC3(\r\n"
                     "\xF0\x9F\x99\x82\r\n\r\n"),
              L"\rIt\u2019s \u201Ccaf\u00E9\u201D \u2014 me"
              L"\r\u201CCaf\u00E9\u201D \u2013 \u20AC5"
              L"\rStray \u00C3("
              L"\r\U0001F642");
}

TEST_F(QuoteLookupTest, KeysInTheLocalesMonthNamesInEitherEncoding) {
    EXPECT_EQ(lookup("D\xC3\x89"
                     "CEMBRE 6\r\nUtf\r\n\r\n",
                     L"décembre 6"),
              L"\rUtf");
    EXPECT_EQ(lookup("D\xC9"
                     "CEMBRE 6\r\nAnsi\r\n\r\n",
                     L"décembre 6"),
              L"\rAnsi");
    EXPECT_EQ(lookup("December 6\r\nEnglish\r\n\r\n", L"décembre 6"), L"");
    EXPECT_EQ(lookup("\xD0\x94\xD0\x95\xD0\x9A\xD0\x90\xD0\x91\xD0\xA0\xD0\xAF "
                     "6\r\n\xD0\x9C\xD0\xB8\xD1\x80\r\n",
                     L"декабря 6"),
              L"\rМир");
}

TEST_F(QuoteLookupTest, Utf16LittleEndianFileWithByteOrderMark) {
    const std::string bom = "\xFF\xFE";
    EXPECT_EQ(lookup(bom + utf16le(u"x\rDECEMBER 6\r\nIt\u2019s\n\U0001F642 \u00E9\r\n\r\nz")),
              L"\rIt\u2019s\r\U0001F642 \u00E9");
    EXPECT_EQ(lookup(bom + utf16le(u"\"\u0414\u0415\u041A\u0410\u0411\u0420\u042C 6\"\r\n"
                                   u"\u041C\u0438\u0440\r\n"),
                     L"декабрь 6"),
              L"\rМир");
    EXPECT_EQ(lookup(bom + utf16le(u"December 6\r\nSix") + "\x0A"), L"\rSix");
    EXPECT_EQ(lookup(bom + utf16le(u"Life, December 6\r\nSix\r\n")), L"");
    // Without its mark a UTF-16 file is bytes, and no line is the key.
    EXPECT_EQ(lookup(utf16le(u"December 6\r\nSix\r\n")), L"");
}

TEST_F(QuoteLookupTest, Utf16LineEndSplitByABlockEnd) {
    // After the mark, the block ends between the CR and the LF after "First".
    const std::u16string entry = u"\r\nDecember 6\r\nFirst";
    const std::u16string filler(BlockReader::kBlockSize / 2 - entry.size() - 2, u'f');
    EXPECT_EQ(lookup("\xFF\xFE" + utf16le(filler + entry + u"\r\nSecond\r\n\r\n")),
              L"\rFirst\rSecond");
}

TEST_F(QuoteLookupTest, LongEntryIsCutAtTheBoundAndTheScanGoesOnPastIt) {
    const std::string huge(5 * 1024 * 1024, 'x');
    const std::wstring cut = L"\r" + std::wstring(kMaxQuoteTextLength - 1, L'x');
    EXPECT_EQ(lookup("December 6\r\n" + huge + "\r\nmore\r\n\r\nDecember 7\r\nSeven\r\n"), cut);
    EXPECT_EQ(lookup("December 6\r\n" + huge + "\r\n\r\nDecember 7\r\nSeven\r\n", L"December 7"),
              L"\rSeven");
    EXPECT_EQ(lookup("December 6\r\n" + huge + "\r\n\r\nDecember 6\r\nLater\r\n"), L"\rLater");
    // The lines after the bound still belong to the entry: none of them is a key line.
    EXPECT_EQ(lookup("December 6\r\n" + huge + "\r\nDecember 6\r\nmore\r\n"), cut);

    // Many lines: the text is the start of the whole entry, cut at the bound.
    std::string entry;
    std::wstring whole;
    for (int line = 0; line < 1000; ++line) {
        const std::string text(97 + line % 7, static_cast<char>('a' + line % 26));
        entry += text + "\r\n";
        whole += L"\r" + std::wstring(text.begin(), text.end());
    }
    EXPECT_EQ(lookup("December 6\r\n" + entry + "\r\n"), whole.substr(0, kMaxQuoteTextLength));
    EXPECT_EQ(lookup("\xFF\xFE" + utf16le(u"December 6\r\n") +
                     utf16le(std::u16string(entry.begin(), entry.end())) + utf16le(u"\r\n")),
              whole.substr(0, kMaxQuoteTextLength));
}

TEST_F(QuoteLookupTest, CutNeverSplitsACharacter) {
    // UTF-8 stays UTF-8 wherever in its sequences the line is cut.
    for (const auto& [bytes, character] : {std::pair{std::string("\xC3\xA9"), L'\u00E9'},
                                           std::pair{std::string("\xE2\x82\xAC"), L'\u20AC'}}) {
        for (std::size_t shift = 0; shift < 3; ++shift) {
            std::string line(shift, 'a');
            for (std::size_t i = 0; i < 3 * kMaxQuoteTextLength; ++i) {
                line += bytes;
            }
            const std::wstring text = lookup("December 6\r\n" + line + "\r\n\r\n");
            EXPECT_EQ(text, (L"\r" + std::wstring(shift, L'a') +
                             std::wstring(kMaxQuoteTextLength, character))
                                .substr(0, kMaxQuoteTextLength));
        }
    }
    // A UTF-16 line cut between the halves of a surrogate pair loses the first half.
    std::u16string pairs;
    for (std::size_t i = 0; i < kMaxQuoteTextLength; ++i) {
        pairs += u"\U0001F642";
    }
    const std::wstring text = lookup("\xFF\xFE" + utf16le(u"December 6\r\n" + pairs + u"\r\n\r\n"));
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), kMaxQuoteTextLength);
    // Whole characters only: one unit each with a 32-bit wchar_t, a pair with a 16-bit one.
    const std::wstring smile = L"\U0001F642";
    std::wstring whole = L"\r";
    while (whole.size() + smile.size() <= text.size()) {
        whole += smile;
    }
    EXPECT_EQ(text, whole);
}

TEST_F(QuoteLookupTest, NulAndInvalidBytesAreTextLikeAnyOther) {
    EXPECT_EQ(lookup("December 6\0\r\nNo\r\n\r\n"s), L"");
    EXPECT_EQ(lookup("\0\0\0\r\nDecember 6\r\nA\0B\r\n\xFF\xFE\xFD\r\n"s),
              L"\rA\0B\r\u00FF\u00FE\u00FD"s);
    EXPECT_EQ(lookup(std::string(100000, '\0')), L"");
}

TEST_F(QuoteLookupTest, TruncatedFiles) {
    const std::string book = "December 5\r\nFive\r\n\r\nDecember 6\r\nFirst\r\nSecond\r\n\r\n";
    for (std::size_t size = 0; size <= book.size(); ++size) {
        EXPECT_TRUE(L"\rFirst\rSecond"s.starts_with(lookup(book.substr(0, size)))) << size;
    }
    EXPECT_EQ(lookup(book.substr(0, book.size() - 6)), L"\rFirst\rSeco");
    EXPECT_EQ(lookup(book.substr(0, 24)), L"");
}

// Hands out its text, then fails the read.
class FailingStreamBuffer : public std::streambuf {
  public:
    explicit FailingStreamBuffer(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

  protected:
    int_type underflow() override { throw std::ios_base::failure("device error"); }

  private:
    std::string text_;
};

TEST_F(QuoteLookupTest, ReadErrorGivesEmptyTextAndLeavesTheNextLookupWorking) {
    FailingStreamBuffer failing("December 6\r\nFirst\r\nSecond\r\n");
    std::istream broken(&failing);
    EXPECT_EQ(findQuotes(broken, L"December 6", platform), L"");

    std::istream alreadyFailed(nullptr);
    EXPECT_EQ(findQuotes(alreadyFailed, L"December 6", platform), L"");

    EXPECT_EQ(lookup("December 6\r\nSix\r\n\r\n"), L"\rSix");
}

class QuoteFileTest : public QuoteLookupTest {
  protected:
    std::filesystem::path folder;

    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder =
            std::filesystem::temp_directory_path() / ("quotidia-" + std::string(test->name()) +
                                                      "-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        platform.quoteFile = folder / "Quotes.txt";
    }

    void TearDown() override { std::filesystem::remove_all(folder); }

    void writeBook(const std::string& bytes) const {
        std::ofstream(platform.quoteFile, std::ios::binary | std::ios::trunc) << bytes;
    }

    std::wstring lookupToday() const {
        return findQuotes(platform.quoteFilePath(), L"December 6", platform);
    }
};

TEST_F(QuoteFileTest, ReadsTheFileAfreshOnEveryLookup) {
    EXPECT_EQ(lookupToday(), L"");
    writeBook("December 6\r\nOne\r\n\r\n");
    EXPECT_EQ(lookupToday(), L"\rOne");
    writeBook("December 6\r\nTwo\r\n");
    EXPECT_EQ(lookupToday(), L"\rTwo");
    writeBook("");
    EXPECT_EQ(lookupToday(), L"");
}

TEST_F(QuoteFileTest, DirectoryInPlaceOfTheFileGivesEmptyText) {
    std::filesystem::create_directory(platform.quoteFile);
    EXPECT_EQ(lookupToday(), L"");
}

TEST_F(QuoteFileTest, HundredMegabyteLineIsScannedQuicklyWithoutBeingHeld) {
    {
        std::ofstream book(platform.quoteFile, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) {
            book << block;
        }
        book << "\r\nDecember 6\r\nSix\r\n";
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lookupToday(), L"\rSix");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

} // namespace
} // namespace quotidia
