#include "quote_lookup.h"

#include "block_reader.h"
#include "key_line.h"
#include "line_scanner.h"

#include <exception>
#include <fstream>
#include <optional>

namespace quotidia {

namespace {

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
        while (const auto quotation = lines.nextLine()) {
            if (quotation->text.empty()) {
                break;
            }
            collected += L'\r';
            appendLineText(collected, quotation->text, platform);
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
