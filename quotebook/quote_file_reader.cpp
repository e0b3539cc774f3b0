#include "quote_file_reader.h"

#include "text_decoding.h"

#include <algorithm>
#include <cstring>
#include <ios>
#include <string>
#include <type_traits>

namespace quotidia {

namespace {

template <typename Unit> constexpr Unit kLineFeed = static_cast<Unit>('\n');
template <typename Unit> constexpr Unit kCarriageReturn = static_cast<Unit>('\r');
template <typename Unit> constexpr Unit kSpace = static_cast<Unit>(' ');
template <typename Unit> constexpr Unit kTab = static_cast<Unit>('\t');
template <typename Unit> constexpr Unit kDoubleQuote = static_cast<Unit>('"');
template <typename Unit> constexpr Unit kComma = static_cast<Unit>(',');

template <typename Unit>
constexpr auto isLineEnd = [](Unit unit) {
    return unit == kLineFeed<Unit> || unit == kCarriageReturn<Unit>;
};

template <typename Unit>
constexpr auto isBlank = [](Unit unit) {
    return unit == kSpace<Unit> || unit == kTab<Unit>;
};

// The offset of the first unit that is not a space or tab, or npos.
template <typename Unit> std::size_t firstNonBlank(std::basic_string_view<Unit> text) {
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (!isBlank<Unit>(text[index])) {
            return index;
        }
    }
    return std::basic_string_view<Unit>::npos;
}

// The offset of the last unit that is not a space or tab, or npos.
template <typename Unit> std::size_t lastNonBlank(std::basic_string_view<Unit> text) {
    for (std::size_t index = text.size(); index > 0; --index) {
        if (!isBlank<Unit>(text[index - 1])) {
            return index - 1;
        }
    }
    return std::basic_string_view<Unit>::npos;
}

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

template <typename Unit>
constexpr auto isAscii = [](Unit unit) {
    constexpr unsigned kFirstNonAscii = 0x80;
    return static_cast<std::make_unsigned_t<Unit>>(unit) < kFirstNonAscii;
};

// Units of a key line per character of the key, at most: UTF-8 spends up to four bytes
// on a character, as do the multi-byte code pages; UTF-16 up to two units.
template <typename Unit> constexpr std::size_t kMaxUnitsPerCharacter = sizeof(Unit) == 1 ? 4 : 2;

template <typename Unit>
std::optional<std::basic_string_view<Unit>> keyItemOfLine(std::basic_string_view<Unit> line) {
    if (!line.empty() && line.front() == kDoubleQuote<Unit>) {
        const std::basic_string_view<Unit> quoted = line.substr(1);
        const std::size_t closing = quoted.find(kDoubleQuote<Unit>);
        if (closing == std::basic_string_view<Unit>::npos) {
            return quoted; // an unclosed quote runs to the end of its line
        }
        // The line is trimmed, so anything after the closing quote is not blank.
        if (closing + 1 != quoted.size()) {
            return std::nullopt;
        }
        return quoted.substr(0, closing);
    }
    if (line.find(kComma<Unit>) != std::basic_string_view<Unit>::npos) {
        return std::nullopt;
    }
    return line;
}

// A line without the blanks at its ends; nullopt when that is longer than `maxLength`.
template <typename Unit>
std::optional<std::basic_string_view<Unit>> trimBlanks(std::basic_string_view<Unit> line,
                                                       std::size_t maxLength) {
    const std::size_t first = firstNonBlank(line);
    if (first == std::basic_string_view<Unit>::npos) {
        return std::basic_string_view<Unit>{};
    }
    const std::basic_string_view<Unit> text = line.substr(first, lastNonBlank(line) - first + 1);
    if (text.size() > maxLength) {
        return std::nullopt;
    }
    return text;
}

char16_t littleEndianUnit(char low, char high) {
    constexpr unsigned kBitsPerByte = 8;
    return static_cast<char16_t>(
        static_cast<std::uint8_t>(low) |
        (static_cast<unsigned>(static_cast<std::uint8_t>(high)) << kBitsPerByte));
}

} // namespace

BlockReader::BlockReader(std::istream& input)
    : input_(input), block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

std::string_view BlockReader::available() {
    if (begin_ == end_ && !ended_) {
        begin_ = 0;
        end_ = 0;
        input_.read(block_.get(), static_cast<std::streamsize>(kBlockSize));
        end_ = static_cast<std::size_t>(input_.gcount());
        if (end_ < kBlockSize) {
            ended_ = true;
            // A short read is the end of the stream only when the stream says so; a
            // stream that was already failed or broke while reading did not end.
            failed_ = input_.bad() || !input_.eof();
            if (failed_) {
                end_ = 0;
            }
        }
    }
    return {block_.get() + begin_, end_ - begin_};
}

void BlockReader::consume(std::size_t count) {
    begin_ += std::min(count, end_ - begin_);
}

QuoteFileEncoding readByteOrderMark(BlockReader& reader) {
    const std::string_view start = reader.available();
    if (start.starts_with("\xEF\xBB\xBF")) {
        reader.consume(3);
    } else if (start.starts_with("\xFF\xFE")) {
        reader.consume(2);
        return QuoteFileEncoding::utf16Le;
    }
    return QuoteFileEncoding::bytes;
}

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

std::string_view trimLine(std::string_view line) {
    return *trimBlanks(line, line.size());
}

std::u16string_view trimLine(std::u16string_view line) {
    return *trimBlanks(line, line.size());
}

std::optional<std::string_view> keyItemOf(std::string_view trimmedLine) {
    return keyItemOfLine(trimmedLine);
}

std::optional<std::u16string_view> keyItemOf(std::u16string_view trimmedLine) {
    return keyItemOfLine(trimmedLine);
}

void appendLineText(std::wstring& out, std::string_view line, const QuoteBookPlatform& platform) {
    if (!appendUtf8(out, line)) {
        out += platform.decodeAnsi(line);
    }
}

void appendLineText(std::wstring& out, std::u16string_view line,
                    const QuoteBookPlatform& /*platform*/) {
    appendUtf16(out, line);
}

KeyLineMatcher::KeyLineMatcher(std::wstring_view dayKey, const QuoteBookPlatform& platform)
    : platform_(platform), lowerKey_(platform.toLower(dayKey)) {
    std::wstring ascii(kAsciiSize, L'\0');
    for (std::size_t code = 0; code < kAsciiSize; ++code) {
        ascii[code] = static_cast<wchar_t>(code);
    }
    asciiLower_ = platform.toLower(ascii);
    if (asciiLower_.size() != kAsciiSize) {
        asciiLower_.clear(); // not one character for one: every line takes the long way
    }
}

template <typename Unit> std::size_t KeyLineMatcher::longestKeyLine() const {
    return lowerKey_.size() * kMaxUnitsPerCharacter<Unit> + 2; // and the two quotes
}

template std::size_t KeyLineMatcher::longestKeyLine<char>() const;
template std::size_t KeyLineMatcher::longestKeyLine<char16_t>() const;

std::optional<std::string> KeyLineMatcher::anchor() const {
    if (asciiLower_.empty()) {
        return std::nullopt;
    }
    const auto isItsOwnLowerCaseOnly = [this](wchar_t character) {
        // Unsigned whatever the sign of wchar_t, so a negative unit is past ASCII.
        const std::size_t code = std::char_traits<wchar_t>::to_int_type(character);
        return code < kAsciiSize && asciiLower_[code] == character &&
               std::count(asciiLower_.begin(), asciiLower_.end(), character) == 1;
    };
    const auto tailStart =
        std::find_if_not(lowerKey_.rbegin(), lowerKey_.rend(), isItsOwnLowerCaseOnly);
    const std::wstring_view tail(lowerKey_.data() + (lowerKey_.rend() - tailStart),
                                 static_cast<std::size_t>(tailStart - lowerKey_.rbegin()));
    if (tail.empty() || tail.back() < L'0' || tail.back() > L'9') {
        return std::nullopt;
    }
    return std::string(tail.begin(), tail.end());
}

bool KeyLineMatcher::matches(std::string_view trimmedLine) {
    return matchesItem(trimmedLine);
}

bool KeyLineMatcher::matches(std::u16string_view trimmedLine) {
    return matchesItem(trimmedLine);
}

template <typename Unit>
bool KeyLineMatcher::matchesItem(std::basic_string_view<Unit> trimmedLine) {
    const std::optional<std::basic_string_view<Unit>> item = keyItemOfLine(trimmedLine);
    // A character takes at least one unit and at most kMaxUnitsPerCharacter.
    if (!item || item->size() < lowerKey_.size() ||
        item->size() > lowerKey_.size() * kMaxUnitsPerCharacter<Unit>) {
        return false;
    }
    if (std::all_of(item->begin(), item->end(), isAscii<Unit>)) {
        // Plain ASCII spends one unit on a character, so its length alone can rule it out.
        if (item->size() != lowerKey_.size()) {
            return false;
        }
        if (!asciiLower_.empty()) {
            return std::equal(item->begin(), item->end(), lowerKey_.begin(),
                              [this](Unit unit, wchar_t keyCharacter) {
                                  return asciiLower_[static_cast<std::size_t>(unit)] ==
                                         keyCharacter;
                              });
        }
    }
    item_.clear();
    appendLineText(item_, *item, platform_);
    return item_.size() == lowerKey_.size() && platform_.toLower(item_) == lowerKey_;
}

} // namespace quotidia
