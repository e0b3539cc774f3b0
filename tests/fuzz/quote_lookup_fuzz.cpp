// Feeds arbitrary quote files to the lookup and compares its answer with a plain
// reading of the whole file held in memory. The first two bytes can move the rest of
// the file to just before the reader's block end, behind a long line or long blanks,
// so that line ends, key lines and entries straddle blocks.

#include "block_reader.h"
#include "fake_quotebook_platform.h"
#include "key_line.h"
#include "quote_lookup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quotidia::testing::FakeQuoteBookPlatform;

// A day key, whose digit lets the lookup search for it, and a key without a digit,
// which the lookup finds line by line; the third bit of the first byte picks one.
constexpr std::wstring_view kDayKey = L"December 6";
constexpr std::wstring_view kKeyWithoutDigit = L"Boxing Day";

std::vector<std::string_view> splitLines(std::string_view file) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t index = 0; index < file.size(); ++index) {
        if (file[index] == '\r' || file[index] == '\n') {
            lines.push_back(file.substr(start, index - start));
            if (file[index] == '\r' && index + 1 < file.size() && file[index + 1] == '\n') {
                ++index;
            }
            start = index + 1;
        }
    }
    if (start < file.size()) {
        lines.push_back(file.substr(start));
    }
    return lines;
}

bool isKeyLine(std::string_view line, std::wstring_view key,
               const FakeQuoteBookPlatform& platform) {
    const std::size_t first = line.find_first_not_of(" \t");
    const std::string_view trimmed =
        first == std::string_view::npos
            ? std::string_view{}
            : line.substr(first, line.find_last_not_of(" \t") - first + 1);
    const std::optional<std::string_view> item = quotidia::keyItemOf(trimmed);
    // No encoding spends more than four bytes on a character; the bound is kept loose
    // so that the lookup's own, tighter one is put to the test.
    if (!item || item->size() > 8 * key.size()) {
        return false;
    }
    std::wstring text;
    quotidia::appendLineText(text, *item, platform);
    return platform.toLower(text) == platform.toLower(key);
}

// The lookup's rules over a byte file without byte-order mark, read whole.
std::wstring expectedQuotes(std::string_view file, std::wstring_view key,
                            const FakeQuoteBookPlatform& platform) {
    const std::vector<std::string_view> lines = splitLines(file);
    std::wstring collected;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!isKeyLine(lines[index], key, platform)) {
            continue;
        }
        collected.clear();
        while (index + 1 < lines.size() && !lines[index + 1].empty()) {
            ++index;
            collected += L'\r';
            quotidia::appendLineText(collected, lines[index], platform);
        }
        ++index; // the empty line that ends the entry
    }
    return collected;
}

std::string shapedFile(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return {reinterpret_cast<const char*>(data), size};
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t padding = quotidia::BlockReader::kBlockSize - data[1] % 32;
    switch (data[0] % 4) {
    case 1:
        return std::string(padding, 'p') + std::string(rest);
    case 2:
        return std::string(padding, ' ') + std::string(rest);
    case 3:
        return std::string(padding - 1, 'p') + '\n' + std::string(rest);
    default:
        return std::string(rest);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FakeQuoteBookPlatform platform;
    const std::string file = shapedFile(data, size);
    const std::wstring_view key = size > 0 && (data[0] & 4) != 0 ? kKeyWithoutDigit : kDayKey;
    std::istringstream stream(file);
    const std::wstring found = quotidia::findQuotes(stream, key, platform);
    if (!found.empty() && found.front() != L'\r') {
        std::abort();
    }
    const bool hasByteOrderMark = file.starts_with("\xEF\xBB\xBF") || file.starts_with("\xFF\xFE");
    if (!hasByteOrderMark && found != expectedQuotes(file, key, platform)) {
        std::abort();
    }
    return 0;
}
