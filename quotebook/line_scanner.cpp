#include "line_scanner.h"

#include "text_units.h"

#include <algorithm>
#include <cstring>

namespace quotidia {

namespace {

// The offset of the first `unit` in text[from, until), or npos.
std::size_t findUnit(std::string_view text, std::size_t from, std::size_t until, char unit) {
    const void* found = std::memchr(text.data() + from, unit, until - from);
    return found == nullptr
               ? std::string_view::npos
               : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
}

std::size_t findUnit(std::u16string_view text, std::size_t from, std::size_t until, char16_t unit) {
    return text.substr(0, until).find(unit, from);
}

char16_t littleEndianUnit(char low, char high) {
    constexpr unsigned kBitsPerByte = 8;
    return static_cast<char16_t>(
        static_cast<std::uint8_t>(low) |
        (static_cast<unsigned>(static_cast<std::uint8_t>(high)) << kBitsPerByte));
}

} // namespace

template <typename Unit> LineScanner<Unit>::LineScanner(BlockReader& reader) : reader_(reader) {}

template <typename Unit> bool LineScanner<Unit>::refill() {
    const std::string_view bytes = reader_.available();
    reader_.consume(bytes.size());
    if constexpr (sizeof(Unit) == 1) {
        chunk_ = bytes;
    } else {
        // Little-endian units; a byte left over waits for its partner in the next block
        // and is dropped at the end of the file.
        decodedUnits_.clear();
        std::size_t offset = 0;
        if (pendingByte_ && !bytes.empty()) {
            decodedUnits_ += littleEndianUnit(*pendingByte_, bytes[0]);
            pendingByte_.reset();
            offset = 1;
        }
        for (; offset + 1 < bytes.size(); offset += 2) {
            decodedUnits_ += littleEndianUnit(bytes[offset], bytes[offset + 1]);
        }
        if (offset < bytes.size()) {
            pendingByte_ = bytes[offset];
        }
        chunk_ = decodedUnits_;
        if (chunk_.empty() && !bytes.empty()) {
            return refill(); // a lone byte: the next block completes its unit
        }
    }
    position_ = 0;
    nextLf_ = findUnit(chunk_, 0, chunk_.size(), kLineFeed<Unit>);
    return !chunk_.empty();
}

template <typename Unit> std::size_t LineScanner<Unit>::findLineEnd() {
    // The next LF is remembered, so a file without LF is searched for one only once
    // per chunk; a CR is looked for only before that LF.
    if (nextLf_ != Text::npos && nextLf_ < position_) {
        nextLf_ = findUnit(chunk_, position_, chunk_.size(), kLineFeed<Unit>);
    }
    const std::size_t carriageReturn =
        findUnit(chunk_, position_, std::min(nextLf_, chunk_.size()), kCarriageReturn<Unit>);
    return std::min(carriageReturn, nextLf_);
}

template <typename Unit> void LineScanner<Unit>::consumeLineEnd(std::size_t lineEnd) {
    position_ = lineEnd + 1;
    if (chunk_[lineEnd] == kCarriageReturn<Unit>) {
        if (position_ < chunk_.size()) {
            if (chunk_[position_] == kLineFeed<Unit>) {
                ++position_;
            }
        } else {
            skipLeadingLf_ = true;
        }
    }
}

template <typename Unit> void LineScanner<Unit>::carryBlanks(Text blankRun, std::size_t maxLength) {
    carriedBlankCount_ += blankRun.size();
    if (carriedBlanks_.size() < maxLength) {
        carriedBlanks_.append(blankRun.substr(0, maxLength - carriedBlanks_.size()));
    }
}

template <typename Unit>
void LineScanner<Unit>::carryPiece(Text piece, Keep keep, std::size_t maxLength) {
    if (keep == Keep::whole) {
        const std::size_t room = maxLength - carried_.size();
        if (piece.size() > room) {
            carriedTooLong_ = true;
            piece = piece.substr(0, room);
        }
        carried_.append(piece);
        return;
    }
    if (carriedTooLong_) {
        return;
    }
    // Blanks are held only while they may still turn out to lie inside the line's
    // content; beyond the asked length they are merely counted.
    if (!carriedContent_) {
        const std::size_t first = firstNonBlank(piece);
        if (first == Text::npos) {
            return;
        }
        piece.remove_prefix(first);
        carriedContent_ = true;
    }
    const std::size_t last = lastNonBlank(piece);
    if (last == Text::npos) {
        carryBlanks(piece, maxLength);
        return;
    }
    if (carried_.size() + carriedBlankCount_ + last + 1 > maxLength) {
        carriedTooLong_ = true;
        carried_.clear();
        carriedBlanks_.clear();
        return;
    }
    carried_ += carriedBlanks_;
    carriedBlanks_.clear();
    carriedBlankCount_ = 0;
    carried_.append(piece.substr(0, last + 1));
    carryBlanks(piece.substr(last + 1), maxLength);
}

template <typename Unit> bool LineScanner<Unit>::startLine() {
    if (position_ == chunk_.size() && !refill()) {
        return false;
    }
    if (skipLeadingLf_) {
        skipLeadingLf_ = false;
        if (chunk_[position_] == kLineFeed<Unit>) {
            ++position_;
            return position_ < chunk_.size() || refill();
        }
    }
    return true;
}

template <typename Unit> void LineScanner<Unit>::startCarrying() {
    carried_.clear();
    carriedBlanks_.clear();
    carriedBlankCount_ = 0;
    carriedContent_ = false;
    carriedTooLong_ = false;
}

template <typename Unit>
typename LineScanner<Unit>::Text LineScanner<Unit>::carryStraddlingLine(Keep keep,
                                                                        std::size_t maxLength) {
    startCarrying();
    for (;;) {
        carryPiece(chunk_.substr(position_), keep, maxLength);
        position_ = chunk_.size();
        if (!refill()) {
            return carried_; // the file's last line, without a line end
        }
        const std::size_t lineEnd = findLineEnd();
        if (lineEnd != Text::npos) {
            carryPiece(chunk_.substr(position_, lineEnd - position_), keep, maxLength);
            consumeLineEnd(lineEnd);
            return carried_;
        }
    }
}

template <typename Unit>
std::optional<typename LineScanner<Unit>::Line> LineScanner<Unit>::nextLine(std::size_t keep) {
    if (!startLine()) {
        return std::nullopt;
    }
    const std::uint64_t number = countLine();
    const std::size_t lineEnd = findLineEnd();
    if (lineEnd == Text::npos) {
        const Text carried = carryStraddlingLine(Keep::whole, keep);
        return Line{carried, number, carriedTooLong_};
    }
    // The common case: the whole line lies in this chunk and is handed out in place.
    const Text line = chunk_.substr(position_, lineEnd - position_);
    consumeLineEnd(lineEnd);
    return Line{line.substr(0, keep), number, line.size() > keep};
}

template <typename Unit> std::uint64_t LineScanner<Unit>::countLine() {
    ++lineNumber_;
    return linesCounted_ ? lineNumber_ : 0;
}

template <typename Unit>
std::optional<typename LineScanner<Unit>::Text>
LineScanner<Unit>::takeShortLine(std::size_t maxLength) {
    const std::size_t lineEnd = findLineEnd();
    if (lineEnd == Text::npos) {
        const Text carried = carryStraddlingLine(Keep::trimmed, maxLength);
        return carriedTooLong_ ? std::nullopt : std::optional<Text>{carried};
    }
    const Text line = chunk_.substr(position_, lineEnd - position_);
    consumeLineEnd(lineEnd);
    // Most lines are too long and have no blank at either end; they are passed over
    // without being trimmed.
    if (line.size() > maxLength && !isBlank<Unit>(line.front()) && !isBlank<Unit>(line.back())) {
        return std::nullopt;
    }
    return trimBlanks(line, maxLength);
}

template <typename Unit>
std::optional<typename LineScanner<Unit>::Line>
LineScanner<Unit>::nextShortLine(std::size_t maxLength) {
    while (startLine()) {
        const std::uint64_t number = countLine();
        if (const std::optional<Text> text = takeShortLine(maxLength)) {
            return Line{*text, number};
        }
    }
    return std::nullopt;
}

template <typename Unit> std::size_t LineScanner<Unit>::findAnchorEnd(Text anchor) const {
    const std::size_t before = anchor.size() - 1;
    for (std::size_t from = position_;;) {
        const std::size_t at = findUnit(chunk_, from, chunk_.size(), anchor.back());
        if (at == Text::npos) {
            return Text::npos;
        }
        const std::size_t next = at + 1;
        // A key line goes on after its key only with blanks or a closing quote; a line
        // end or the end of the chunk leaves the rest to the caller.
        const bool keyMayEnd = next == chunk_.size() || isBlank<Unit>(chunk_[next]) ||
                               isLineEnd<Unit>(chunk_[next]) || chunk_[next] == kDoubleQuote<Unit>;
        // The current line starts at position_, so the anchor lies whole after it.
        if (keyMayEnd && at - position_ >= before &&
            std::equal(anchor.begin(), anchor.end() - 1, chunk_.begin() + (at - before))) {
            return at;
        }
        from = next;
    }
}

template <typename Unit>
std::optional<typename LineScanner<Unit>::Line>
LineScanner<Unit>::nextShortLineWith(Text anchor, std::size_t maxLength) {
    while (startLine()) {
        // Everything before the line that holds the next anchor of the chunk, or before
        // the chunk's unfinished last line, is passed over.
        const std::size_t anchorAt = findAnchorEnd(anchor);
        const Text before = chunk_.substr(position_, std::min(anchorAt, chunk_.size()) - position_);
        const auto lastLineEnd = std::find_if(before.rbegin(), before.rend(), isLineEnd<Unit>);
        if (lastLineEnd != before.rend()) {
            consumeLineEnd(position_ + static_cast<std::size_t>(before.rend() - lastLineEnd) - 1);
            linesCounted_ = false;
            if (anchorAt == Text::npos) {
                continue;
            }
        }
        const std::uint64_t number = countLine();
        const std::optional<Text> text = takeShortLine(maxLength);
        if (text && text->find(anchor) != Text::npos) {
            return Line{*text, number};
        }
    }
    return std::nullopt;
}

template class LineScanner<char>;
template class LineScanner<char16_t>;

} // namespace quotidia
