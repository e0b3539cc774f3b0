#pragma once
// Reading a quote file line by line without holding more of it than one line: the
// block reader, the detection of the file's encoding, the line scanner and the rules
// that tell a key line. The lookup and any tool that checks a quote file share them.

#include "quotebook_platform.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

// Reads a stream in large blocks. A read error ends the input and is remembered
// rather than thrown, so the caller can tell it from the end of the stream.
class BlockReader {
  public:
    // Large enough that the cost of each read call vanishes beside copying the bytes,
    // small enough to stay in the processor's cache while the block is scanned.
    static constexpr std::size_t kBlockSize = std::size_t{256} * 1024;

    explicit BlockReader(std::istream& input);

    // The unconsumed bytes of the current block, reading the next block when all are
    // consumed; empty at the end of the stream or after a read error. The bytes stay
    // valid until the next call that reads a block.
    std::string_view available();
    void consume(std::size_t count);

    bool failed() const { return failed_; }

  private:
    std::istream& input_;
    std::unique_ptr<char[]> block_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
    bool ended_ = false;
};

enum class QuoteFileEncoding {
    bytes,   // UTF-8 or the ANSI code page, judged line by line
    utf16Le, // started by the byte-order mark FF FE
};

// Reads the file's byte-order mark, if any, and consumes it: a UTF-8 mark leaves the
// file read as bytes, a UTF-16 little-endian mark makes it read as UTF-16.
QuoteFileEncoding readByteOrderMark(BlockReader& reader);

// Splits a file into lines ended by CR LF, a lone LF or a lone CR, also when a CR LF
// pair straddles two blocks. `Unit` is char for byte files and char16_t for UTF-16.
template <typename Unit> class LineScanner {
  public:
    using Text = std::basic_string_view<Unit>;

    struct Line {
        Text text;                // valid until the next call on the scanner
        std::uint64_t number = 0; // 1 for the file's first line
        bool cut = false;         // the line went on past the text handed out
    };

    explicit LineScanner(BlockReader& reader);

    // The next line without its line end, of which no more than its first `keep` units
    // are held and handed out, however long it is; nullopt at the end of the file.
    std::optional<Line> nextLine(std::size_t keep = Text::npos);

    // The next line that is no longer than `maxLength` units once the spaces and tabs at
    // either end are dropped, handed out without them; longer lines are passed over
    // (and counted). No more of a line is held than that length, however long the line
    // or its runs of blanks.
    std::optional<Line> nextShortLine(std::size_t maxLength);

    // The same for the next short line that holds `anchor` followed by a blank, a double
    // quote or the line's end: where a key line's key ends. The lines in between are
    // passed over by searching for the anchor's last unit rather than for line ends,
    // which is far quicker where that unit is rare; they are not counted, so from then on
    // lines come with number 0.
    std::optional<Line> nextShortLineWith(Text anchor, std::size_t maxLength);

    // True when reading stopped at a read error rather than at the end of the file.
    bool failed() const { return reader_.failed(); }

  private:
    enum class Keep {
        whole,   // the line as it stands, up to the asked length
        trimmed, // without the blanks at its ends, and only when it is no longer than asked
    };

    bool startLine();
    // Where the next anchor that may end a key line ends in the chunk, or npos.
    std::size_t findAnchorEnd(Text anchor) const;
    std::uint64_t countLine();
    // Reads the line at the current position; its trimmed text when that is short.
    std::optional<Text> takeShortLine(std::size_t maxLength);
    bool refill();
    std::size_t findLineEnd();
    void consumeLineEnd(std::size_t lineEnd);
    void startCarrying();
    // Puts together a line that runs past the end of the chunk, up to its line end.
    Text carryStraddlingLine(Keep keep, std::size_t maxLength);
    void carryPiece(Text piece, Keep keep, std::size_t maxLength);
    void carryBlanks(Text blankRun, std::size_t maxLength);

    BlockReader& reader_;
    std::basic_string<Unit> decodedUnits_; // the current block as units, for UTF-16
    Text chunk_;
    std::size_t position_ = 0;
    std::size_t nextLf_ = 0;          // where the next LF lies in the chunk, npos when none is left
    bool skipLeadingLf_ = false;      // the previous chunk ended with a CR
    std::optional<char> pendingByte_; // the first half of a UTF-16 unit split by blocks
    std::uint64_t lineNumber_ = 0;
    bool linesCounted_ = true; // false once lines have been passed over uncounted

    // A line that straddles chunks, put together here.
    std::basic_string<Unit> carried_;
    std::basic_string<Unit> carriedBlanks_;
    std::size_t carriedBlankCount_ = 0;
    bool carriedContent_ = false;
    bool carriedTooLong_ = false;
};

extern template class LineScanner<char>;
extern template class LineScanner<char16_t>;

// A line without the spaces and tabs at its ends: the form in which the key-line rules
// judge it.
std::string_view trimLine(std::string_view line);
std::u16string_view trimLine(std::u16string_view line);

// The one item a trimmed line holds, by the item rules: a line that begins with a
// double quote holds the text up to the next double quote on the line (to the line's
// end when none follows), and nothing may stand after the closing quote; any other
// line is its item unless a comma splits it into several. nullopt: no single item.
std::optional<std::string_view> keyItemOf(std::string_view trimmedLine);
std::optional<std::u16string_view> keyItemOf(std::u16string_view trimmedLine);

// A line of a byte file as text: UTF-8 when it is well-formed UTF-8, otherwise the
// ANSI code page.
void appendLineText(std::wstring& out, std::string_view line, const QuoteBookPlatform& platform);
void appendLineText(std::wstring& out, std::u16string_view line, const QuoteBookPlatform& platform);

// Tells whether a trimmed line is the key line of one day key, letter case ignored.
// Lower-casing goes character by character and so keeps a text's length; the matcher
// relies on that to reject lines by their length before decoding them.
class KeyLineMatcher {
  public:
    KeyLineMatcher(std::wstring_view dayKey, const QuoteBookPlatform& platform);

    // The longest trimmed line, in units, that can still be the key line; longer lines
    // need not be held.
    template <typename Unit> std::size_t longestKeyLine() const;

    // The end of the key that every key line holds as it stands, in every encoding, so
    // that lines without it need not be read: the longest tail of the key made of ASCII
    // characters that are their own lower case and no other character's, such as " 6"
    // of "December 6", when it ends in a digit (as every day key does).
    std::optional<std::string> anchor() const;

    bool matches(std::string_view trimmedLine);
    bool matches(std::u16string_view trimmedLine);

  private:
    template <typename Unit> bool matchesItem(std::basic_string_view<Unit> trimmedLine);

    static constexpr std::size_t kAsciiSize = 128;

    const QuoteBookPlatform& platform_;
    std::wstring lowerKey_;
    // The lower case of every ASCII character, asked of the platform once, so that a
    // line of plain ASCII is compared without a round trip through the platform.
    std::wstring asciiLower_;
    std::wstring item_; // reused between lines
};

} // namespace quotidia
