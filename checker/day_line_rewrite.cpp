#include "day_line_rewrite.h"

#include "block_reader.h"
#include "book_text_encoding.h"
#include "day_line_rules.h"
#include "text_units.h"

#include <algorithm>
#include <array>

namespace quotidia {

namespace {

constexpr int kMonths = 12;

// The longest line, without its leading blanks, that is judged as a possible day line,
// in units: far beyond any day line. Longer lines go on as they stand, so the memory a
// line takes stays bounded however long it is.
constexpr std::size_t kLongestJudgedLine = std::size_t{64} * 1024;

// How many rewritten bytes are gathered before they go to the sink.
constexpr std::size_t kOutputBatch = std::size_t{256} * 1024;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

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
            if (isLineEnd(unit)) {
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
            if (inLeadingBlanks_ && isBlank(unit)) {
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
                std::find_if_not(content_.rbegin(), content_.rend(), isBlank<Unit>);
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
                if (++result_.failureCount <= kListedFailures) {
                    result_.failures.push_back({lineNumber_, std::move(judgement.message)});
                }
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
