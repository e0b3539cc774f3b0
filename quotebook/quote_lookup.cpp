#include "quote_lookup.h"

#include "block_reader.h"
#include "key_line.h"
#include "line_scanner.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <optional>

namespace quotidia {

namespace {

// Units of the file that may be needed for one unit of text: UTF-8 spends up to three
// bytes on a UTF-16 unit and four on a character where wchar_t holds whole characters;
// a UTF-16 file one unit.
template <typename Unit> constexpr std::size_t kFileUnitsPerTextUnit = sizeof(Unit) == 1 ? 4 : 1;

// How much of the next quotation line is worth holding: enough to fill what room the
// text has left after the line's separator.
template <typename Unit> std::size_t unitsToKeep(const std::wstring& collected) {
    const std::size_t room = kMaxQuoteTextLength - std::min(collected.size(), kMaxQuoteTextLength);
    return room < 2 ? 0 : (room - 1) * kFileUnitsPerTextUnit<Unit>;
}

bool isLeadSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Appends a quotation line and its separator as far as the text has room for them.
template <typename Unit>
void appendQuotation(std::wstring& collected, const typename LineScanner<Unit>::Line& quotation,
                     const QuoteBookPlatform& platform) {
    if (quotation.text.empty()) {
        return; // a line too long for the room left, of which nothing was kept
    }
    collected += L'\r';
    appendLineText(collected, quotation.cut ? wholeCharacters(quotation.text) : quotation.text,
                   platform);
    if (collected.size() > kMaxQuoteTextLength) {
        collected.resize(kMaxQuoteTextLength);
        if (isLeadSurrogate(collected.back())) {
            collected.pop_back();
        }
    }
}

// Scans every line of the file; the last entry whose key line matches wins. Each line
// outside a matched entry is judged on its own; the lines of a matched entry are taken
// whole up to an empty line or the end of the file.
template <typename Unit>
std::optional<std::wstring> scanQuoteFile(BlockReader& reader, KeyLineMatcher& matcher,
                                          const QuoteBookPlatform& platform) {
    LineScanner<Unit> lines(reader);
    const std::size_t longestKeyLine = matcher.longestKeyLine<Unit>();
    const std::optional<std::string> anchor = matcher.anchor();
    const std::basic_string<Unit> anchorUnits =
        anchor ? std::basic_string<Unit>(anchor->begin(), anchor->end())
               : std::basic_string<Unit>{};
    const auto nextCandidate = [&] {
        return anchor ? lines.nextShortLineWith(anchorUnits, longestKeyLine)
                      : lines.nextShortLine(longestKeyLine);
    };
    std::wstring collected;
    while (const auto candidate = nextCandidate()) {
        if (!matcher.matches(candidate->text)) {
            continue;
        }
        collected.clear();
        // Lines past the bound are read to the entry's end without being held.
        while (const auto quotation = lines.nextLine(unitsToKeep<Unit>(collected))) {
            if (quotation->text.empty() && !quotation->cut) {
                break;
            }
            appendQuotation<Unit>(collected, *quotation, platform);
        }
    }
    if (lines.failed()) {
        return std::nullopt;
    }
    return collected;
}

} // namespace

std::wstring findQuotes(const std::filesystem::path& quoteFile, std::wstring_view dayKey,
                        const QuoteBookPlatform& platform) {
    std::ifstream file(quoteFile, std::ios::binary);
    return findQuotes(file, dayKey, platform);
}

std::wstring findQuotes(std::istream& quoteFile, std::wstring_view dayKey,
                        const QuoteBookPlatform& platform) {
    // No day has an empty key; it would take every empty line for a key line.
    if (dayKey.empty()) {
        return {};
    }
    // Every failure, a stream that throws or memory running out included, gives
    // empty text; nothing is reported.
    try {
        BlockReader reader(quoteFile);
        KeyLineMatcher matcher(dayKey, platform);
        const std::optional<std::wstring> found =
            readByteOrderMark(reader) == QuoteFileEncoding::utf16Le
                ? scanQuoteFile<char16_t>(reader, matcher, platform)
                : scanQuoteFile<char>(reader, matcher, platform);
        return found.value_or(std::wstring{});
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace quotidia
