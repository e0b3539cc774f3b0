#pragma once
// Splitting a quote file into lines without holding more of it than one line, in the
// three ways the lookup and the checker read: every line whole, only the lines short
// enough to be a key line, and only the short lines that hold a key's anchor.

#include "block_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quotidia {

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

} // namespace quotidia
