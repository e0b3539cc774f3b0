#include "day_line_rewrite.h"

#include "block_reader.h"
#include "book_check.h"
#include "date_value.h"
#include "day_state.h"
#include "key_line.h"
#include "line_scanner.h"
#include "text_encodings.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <unordered_map>

namespace quotidia {

namespace {

// A leap year, so that the calendar has February 29.
constexpr int kLeapYear = 2000;
constexpr int kMonths = 12;

// The longest line, without its leading blanks, that is judged as a possible day line,
// in units: far beyond any day line. Longer lines go on as they stand, so the memory a
// line takes stays bounded however long it is.
constexpr std::size_t kLongestJudgedLine = std::size_t{64} * 1024;

// How many rewritten bytes are gathered before they go to the sink.
constexpr std::size_t kOutputBatch = std::size_t{256} * 1024;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

enum class BookEncoding { utf16Le, utf8, ansi };

template <typename Unit> constexpr bool isBlankUnit(Unit unit) {
    return unit == static_cast<Unit>(' ') || unit == static_cast<Unit>('\t');
}

template <typename Unit> constexpr bool isLineEndUnit(Unit unit) {
    return unit == static_cast<Unit>('\r') || unit == static_cast<Unit>('\n');
}

void appendUnit(std::string& out, char unit) {
    out += unit;
}

void appendUnit(std::string& out, char16_t unit) {
    constexpr unsigned kBitsPerByte = 8;
    constexpr unsigned kByteMask = 0xFF;
    out += static_cast<char>(unit & kByteMask);
    out += static_cast<char>((static_cast<unsigned>(unit) >> kBitsPerByte) & kByteMask);
}

template <typename Unit> void appendUnits(std::string& out, std::basic_string_view<Unit> units) {
    if constexpr (sizeof(Unit) == 1) {
        out.append(units);
    } else {
        for (const Unit unit : units) {
            appendUnit(out, unit);
        }
    }
}

std::u16string utf16Of(std::wstring_view text) {
    std::u16string units;
    for (const wchar_t character : text) {
        auto code = static_cast<char32_t>(character);
        constexpr char32_t kFirstSupplementary = 0x10000;
        if (code >= kFirstSupplementary) {
            code -= kFirstSupplementary;
            constexpr unsigned kPayloadBits = 10;
            constexpr char32_t kPayloadMask = 0x3FF;
            units += static_cast<char16_t>(0xD800 + (code >> kPayloadBits));
            units += static_cast<char16_t>(0xDC00 + (code & kPayloadMask));
        } else {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

// True when the bytes from the reader's position to the end are well-formed UTF-8.
// A sequence cut by the end of a block waits for the rest in the next one.
bool restIsUtf8(BlockReader& reader) {
    constexpr std::size_t kLongestSequence = 4;
    constexpr unsigned kContinuationMask = 0xC0;
    constexpr unsigned kContinuation = 0x80;
    std::string piece;
    std::wstring scratch;
    for (std::string_view bytes = reader.available(); !bytes.empty(); bytes = reader.available()) {
        piece += bytes;
        reader.consume(bytes.size());
        std::size_t split = piece.size();
        for (std::size_t back = 1; back <= kLongestSequence && back <= piece.size(); ++back) {
            const auto byte = static_cast<unsigned char>(piece[piece.size() - back]);
            if ((byte & kContinuationMask) != kContinuation) {
                if (byte >= kContinuationMask) {
                    split = piece.size() - back; // a lead byte: its sequence may go on
                }
                break;
            }
        }
        scratch.clear();
        if (!appendUtf8(scratch, std::string_view(piece).substr(0, split))) {
            return false;
        }
        piece.erase(0, split);
    }
    scratch.clear();
    return appendUtf8(scratch, piece);
}

// Text in the system's ANSI code page, found by asking the platform how it decodes
// each byte; nullopt when a character has no byte of its own there.
class AnsiEncoder {
  public:
    explicit AnsiEncoder(const QuoteBookPlatform& platform) : platform_(platform) {
        constexpr int kBytes = 256;
        for (int value = 1; value < kBytes; ++value) {
            const std::string byte(1, static_cast<char>(value));
            const std::wstring decoded = platform.decodeAnsi(byte);
            if (decoded.size() == 1) {
                byteOf_.emplace(decoded.front(), byte.front());
            }
        }
    }

    std::optional<std::string> encode(std::wstring_view text) const {
        std::string bytes;
        for (const wchar_t character : text) {
            const auto found = byteOf_.find(character);
            if (found == byteOf_.end()) {
                return std::nullopt;
            }
            bytes += found->second;
        }
        if (platform_.decodeAnsi(bytes) != text) {
            return std::nullopt;
        }
        return bytes;
    }

  private:
    const QuoteBookPlatform& platform_;
    std::unordered_map<wchar_t, char> byteOf_;
};

enum class CaseStyle { asWritten, upper, lower, capitalised };

std::wstring capitalised(std::wstring_view name, const QuoteBookPlatform& platform) {
    if (name.empty()) {
        return {};
    }
    return platform.toUpper(name.substr(0, 1)) + platform.toLower(name.substr(1));
}

CaseStyle caseStyleOf(std::wstring_view word, const std::wstring& name,
                      const QuoteBookPlatform& platform) {
    if (word == name) {
        return CaseStyle::asWritten;
    }
    if (word == platform.toUpper(name)) {
        return CaseStyle::upper;
    }
    if (word == platform.toLower(name)) {
        return CaseStyle::lower;
    }
    if (word == capitalised(name, platform)) {
        return CaseStyle::capitalised;
    }
    return CaseStyle::asWritten;
}

std::wstring inCaseStyle(CaseStyle style, const std::wstring& name,
                         const QuoteBookPlatform& platform) {
    switch (style) {
    case CaseStyle::upper:
        return platform.toUpper(name);
    case CaseStyle::lower:
        return platform.toLower(name);
    case CaseStyle::capitalised:
        return capitalised(name, platform);
    case CaseStyle::asWritten:
        break;
    }
    return name;
}

// What becomes of one line.
template <typename Unit> struct Judgement {
    enum class Kind { otherLine, rewritten, failed };
    Kind kind = Kind::otherLine;
    std::basic_string<Unit> line; // the rewritten line, without its blanks at either end
    std::wstring message;         // why it failed
};

// The rules that tell a day line of `from` and make it the same day's line of `to`.
class DayLineRules {
  public:
    DayLineRules(const QuoteBookPlatform& from, const QuoteBookPlatform& to, BookEncoding encoding)
        : from_(from), to_(to), encoding_(encoding), ansi_(to) {
        for (int month = 1; month <= kMonths; ++month) {
            fromMonths_.at(month - 1) = from.monthName(month);
            toMonths_.at(month - 1) = to.monthName(month);
            for (int day = 1; day <= daysInMonth(kLeapYear, month); ++day) {
                const DateValue date = *dateValueOf(CivilDate{kLeapYear, month, day});
                std::wstring lowerKey = from.toLower(DayKeyFor(date, from));
                longestLowerKey_ = std::max(longestLowerKey_, lowerKey.size());
                dayOfLowerKey_.emplace(std::move(lowerKey), DayOf{month, toMatchers_.size()});
                toMatchers_.push_back(std::make_unique<KeyLineMatcher>(DayKeyFor(date, to), to));
            }
        }
    }

    template <typename Unit> Judgement<Unit> judge(std::basic_string_view<Unit> trimmedLine) {
        using Kind = typename Judgement<Unit>::Kind;
        constexpr std::size_t kMaxUnitsPerCharacter = 4;
        const auto item = keyItemOf(trimmedLine);
        if (!item || item->size() > longestLowerKey_ * kMaxUnitsPerCharacter) {
            return {};
        }
        std::wstring text;
        appendLineText(text, *item, from_);
        const auto found = dayOfLowerKey_.find(from_.toLower(text));
        const std::size_t space = text.rfind(L' ');
        if (found == dayOfLowerKey_.end() || space == std::wstring::npos) {
            return {};
        }
        const DayOf day = found->second;
        const std::wstring_view word = std::wstring_view(text).substr(0, space);
        const std::wstring_view digits = std::wstring_view(text).substr(space);
        const std::wstring& fromName = fromMonths_.at(day.month - 1);
        const std::wstring& toName = toMonths_.at(day.month - 1);
        const auto prefix =
            trimmedLine.substr(0, static_cast<std::size_t>(item->data() - trimmedLine.data()));
        const auto suffix = trimmedLine.substr(prefix.size() + item->size());

        // The line's own style first; the name as the locale writes it when that style
        // would not be read back as the key.
        std::wstring unwritable;
        for (const CaseStyle style : {caseStyleOf(word, fromName, from_), CaseStyle::asWritten}) {
            const std::wstring newItem = inCaseStyle(style, toName, to_) + std::wstring(digits);
            const std::optional<std::basic_string<Unit>> units = encode<Unit>(newItem);
            if (!units) {
                unwritable = newItem;
                continue;
            }
            std::basic_string<Unit> line(prefix);
            line += *units;
            line += suffix;
            if (toMatchers_[day.index]->matches(std::basic_string_view<Unit>(line))) {
                return {Kind::rewritten, std::move(line), {}};
            }
        }
        std::wstring message = L"\"" + text + L"\" cannot be rewritten: ";
        if (!unwritable.empty()) {
            message += L"\"" + unwritable + L"\" has no spelling in the book's ANSI code page";
        } else {
            message += L"the key \"" + toName + std::wstring(digits) +
                       L"\" would not be read back as a key line";
        }
        return {Kind::failed, {}, std::move(message)};
    }

  private:
    struct DayOf {
        int month = 0;
        std::size_t index = 0; // of the day in the leap year, from 0
    };

    template <typename Unit>
    std::optional<std::basic_string<Unit>> encode(const std::wstring& text) const {
        if constexpr (sizeof(Unit) == 2) {
            return utf16Of(text);
        } else {
            return encoding_ == BookEncoding::ansi ? ansi_.encode(text)
                                                   : std::optional<std::string>{utf8Of(text)};
        }
    }

    const QuoteBookPlatform& from_;
    const QuoteBookPlatform& to_;
    BookEncoding encoding_;
    AnsiEncoder ansi_;
    std::array<std::wstring, kMonths> fromMonths_;
    std::array<std::wstring, kMonths> toMonths_;
    std::unordered_map<std::wstring, DayOf> dayOfLowerKey_;
    std::size_t longestLowerKey_ = 0;
    // The matcher holds a reference to its platform and a buffer of its own.
    std::vector<std::unique_ptr<KeyLineMatcher>> toMatchers_;
};

// Goes through a book unit by unit, line by line: blanks before a line's content and
// line ends go out at once, the content of a line is held until its end (up to a
// bound) and goes out rewritten when it is a day line. With no output, the lines are
// only judged.
template <typename Unit> class DayLineStream {
  public:
    DayLineStream(DayLineRules& rules, DayLineRewriteResult& result, std::string* out)
        : rules_(rules), result_(result), out_(out) {}

    void feed(std::basic_string_view<Unit> units) {
        for (const Unit unit : units) {
            if (isLineEndUnit(unit)) {
                // CR LF is one line end; a lone CR or LF is one too.
                if (!(unit == static_cast<Unit>('\n') && previousWasCr_)) {
                    endLine();
                    ++lineNumber_;
                }
                previousWasCr_ = unit == static_cast<Unit>('\r');
                emit(unit);
                continue;
            }
            previousWasCr_ = false;
            if (inLeadingBlanks_ && isBlankUnit(unit)) {
                emit(unit);
                continue;
            }
            inLeadingBlanks_ = false;
            if (passing_) {
                emit(unit);
                continue;
            }
            content_ += unit;
            if (content_.size() > kLongestJudgedLine) {
                emit(content_);
                content_.clear();
                passing_ = true;
            }
        }
    }

    void finish() { endLine(); }

  private:
    using Kind = typename Judgement<Unit>::Kind;

    void endLine() {
        if (!passing_ && !content_.empty()) {
            const auto lastContent =
                std::find_if_not(content_.rbegin(), content_.rend(), isBlankUnit<Unit>);
            const auto trimmedLength = static_cast<std::size_t>(content_.rend() - lastContent);
            const std::basic_string_view<Unit> content(content_);
            Judgement<Unit> judgement = rules_.judge(content.substr(0, trimmedLength));
            switch (judgement.kind) {
            case Kind::rewritten:
                ++result_.rewrittenLines;
                emit(judgement.line);
                emit(content.substr(trimmedLength));
                break;
            case Kind::failed:
                result_.failures.push_back({lineNumber_, std::move(judgement.message)});
                emit(content);
                break;
            case Kind::otherLine:
                emit(content);
                break;
            }
        }
        content_.clear();
        passing_ = false;
        inLeadingBlanks_ = true;
    }

    void emit(Unit unit) {
        if (out_ != nullptr) {
            appendUnit(*out_, unit);
        }
    }

    void emit(std::basic_string_view<Unit> units) {
        if (out_ != nullptr) {
            appendUnits(*out_, units);
        }
    }

    DayLineRules& rules_;
    DayLineRewriteResult& result_;
    std::string* out_;
    std::basic_string<Unit> content_;
    std::uint64_t lineNumber_ = 1;
    bool previousWasCr_ = false;
    bool inLeadingBlanks_ = true;
    bool passing_ = false;
};

// One pass over the book after its byte-order mark; false when reading or writing
// failed. With a sink the book's bytes go to it, the mark first.
template <typename Unit>
bool passOver(BlockReader& reader, std::string_view mark, DayLineRules& rules,
              DayLineRewriteResult& result, const ByteSink* sink) {
    std::string out(mark);
    DayLineStream<Unit> stream(rules, result, sink != nullptr ? &out : nullptr);
    const auto flush = [&] {
        const bool written = sink == nullptr || out.empty() || (*sink)(out);
        out.clear();
        if (!written) {
            result.outcome = DayLineRewriteResult::Outcome::writeFailed;
        }
        return written;
    };
    // The first half of a UTF-16 unit split by blocks.
    bool pending = false;
    char pendingByte = '\0';
    std::u16string units;
    for (std::string_view bytes = reader.available(); !bytes.empty(); bytes = reader.available()) {
        if constexpr (sizeof(Unit) == 1) {
            stream.feed(bytes);
        } else {
            units.clear();
            std::size_t offset = 0;
            if (pending) {
                units += static_cast<char16_t>(static_cast<unsigned char>(pendingByte) |
                                               static_cast<unsigned char>(bytes[0]) << 8U);
                pending = false;
                offset = 1;
            }
            for (; offset + 1 < bytes.size(); offset += 2) {
                units += static_cast<char16_t>(static_cast<unsigned char>(bytes[offset]) |
                                               static_cast<unsigned char>(bytes[offset + 1]) << 8U);
            }
            if (offset < bytes.size()) {
                pending = true;
                pendingByte = bytes[offset];
            }
            stream.feed(units);
        }
        reader.consume(bytes.size());
        if (out.size() >= kOutputBatch && !flush()) {
            return false;
        }
    }
    if (reader.failed()) {
        result.outcome = DayLineRewriteResult::Outcome::readFailed;
        return false;
    }
    stream.finish();
    if (pending && sink != nullptr) {
        out += pendingByte; // an odd last byte stays as it was
    }
    return flush();
}

} // namespace

std::wstring EnglishMonthNames::monthName(int month) const {
    static constexpr std::array<std::wstring_view, kMonths> kNames = {
        L"January", L"February", L"March",     L"April",   L"May",      L"June",
        L"July",    L"August",   L"September", L"October", L"November", L"December"};
    return std::wstring(kNames.at(static_cast<std::size_t>(month - 1)));
}

DayLineRewriteResult rewriteDayLines(std::istream& book, const QuoteBookPlatform& from,
                                     const QuoteBookPlatform& to, const ByteSink& sink) {
    using Outcome = DayLineRewriteResult::Outcome;
    DayLineRewriteResult result;
    const auto rewind = [&book] {
        book.clear();
        book.seekg(0);
        return !book.fail();
    };

    // The encoding decides how new month names are written.
    BookEncoding encoding = BookEncoding::utf8;
    std::string_view mark;
    {
        BlockReader reader(book);
        const std::string_view start = reader.available();
        if (start.starts_with(kUtf16LeMark)) {
            encoding = BookEncoding::utf16Le;
            mark = kUtf16LeMark;
        } else if (start.starts_with(kUtf8Mark)) {
            mark = kUtf8Mark;
        } else if (!restIsUtf8(reader)) {
            encoding = BookEncoding::ansi;
        }
        if (reader.failed()) {
            result.outcome = Outcome::readFailed;
            return result;
        }
    }

    DayLineRules rules(from, to, encoding);
    const auto pass = [&](const ByteSink* output) {
        if (!rewind()) {
            result.outcome = Outcome::readFailed;
            return false;
        }
        BlockReader reader(book);
        reader.available();
        reader.consume(mark.size());
        result.rewrittenLines = 0;
        return encoding == BookEncoding::utf16Le
                   ? passOver<char16_t>(reader, mark, rules, result, output)
                   : passOver<char>(reader, mark, rules, result, output);
    };
    if (!pass(nullptr)) {
        return result;
    }
    if (!result.failures.empty()) {
        result.outcome = Outcome::linesFailed;
        return result;
    }
    pass(&sink);
    return result;
}

} // namespace quotidia
