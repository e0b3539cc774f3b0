#include "key_line.h"

#include "text_encodings.h"
#include "text_units.h"

#include <algorithm>
#include <string>
#include <type_traits>

namespace quotidia {

namespace {

template <typename Unit> constexpr Unit kComma = static_cast<Unit>(',');

template <typename Unit>
constexpr auto isAscii = [](Unit unit) {
    constexpr unsigned kFirstNonAscii = 0x80;
    return static_cast<std::make_unsigned_t<Unit>>(unit) < kFirstNonAscii;
};

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

} // namespace

std::optional<std::string_view> keyItemOf(std::string_view trimmedLine) {
    return keyItemOfLine(trimmedLine);
}

std::optional<std::u16string_view> keyItemOf(std::u16string_view trimmedLine) {
    return keyItemOfLine(trimmedLine);
}

std::string_view wholeCharacters(std::string_view cut) {
    constexpr unsigned kContinuationMask = 0xC0;
    constexpr unsigned kContinuation = 0x80;
    const auto byteAt = [cut](std::size_t index) {
        return static_cast<unsigned char>(cut[index]);
    };
    std::size_t continuations = 0;
    while (continuations < 3 && continuations < cut.size() &&
           (byteAt(cut.size() - 1 - continuations) & kContinuationMask) == kContinuation) {
        ++continuations;
    }
    if (continuations == cut.size()) {
        return cut;
    }
    const std::size_t leadAt = cut.size() - 1 - continuations;
    const unsigned lead = byteAt(leadAt);
    const std::size_t sequenceLength = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return sequenceLength > continuations + 1 ? cut.substr(0, leadAt) : cut;
}

std::u16string_view wholeCharacters(std::u16string_view cut) {
    constexpr char16_t kFirstLead = 0xD800;
    constexpr char16_t kLastLead = 0xDBFF;
    if (!cut.empty() && cut.back() >= kFirstLead && cut.back() <= kLastLead) {
        cut.remove_suffix(1);
    }
    return cut;
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
