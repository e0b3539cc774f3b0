#pragma once
// The units a line is made of (char in a byte file, char16_t in a UTF-16 file, wchar_t
// once decoded) and the rules about them that the reader, the key-line rules and the
// checker share: which units are blanks and line ends, blank trimming, and how many
// units one character may take.

#include <cstddef>
#include <optional>
#include <string_view>

namespace quotidia {

template <typename Unit> constexpr Unit kLineFeed = static_cast<Unit>('\n');
template <typename Unit> constexpr Unit kCarriageReturn = static_cast<Unit>('\r');
template <typename Unit> constexpr Unit kDoubleQuote = static_cast<Unit>('"');

// Spaces and tabs: what trimming drops from a line's ends.
template <typename Unit> constexpr bool isBlank(Unit unit) {
    return unit == static_cast<Unit>(' ') || unit == static_cast<Unit>('\t');
}

template <typename Unit> constexpr bool isLineEnd(Unit unit) {
    return unit == kLineFeed<Unit> || unit == kCarriageReturn<Unit>;
}

// Units of a line per character, at most: UTF-8 spends up to four bytes on a character,
// as do the multi-byte code pages; UTF-16 up to two units.
template <typename Unit> constexpr std::size_t kMaxUnitsPerCharacter = sizeof(Unit) == 1 ? 4 : 2;

// The offset of the first unit that is not a blank, or npos.
template <typename Unit> std::size_t firstNonBlank(std::basic_string_view<Unit> text) {
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (!isBlank(text[index])) {
            return index;
        }
    }
    return std::basic_string_view<Unit>::npos;
}

// The offset of the last unit that is not a blank, or npos.
template <typename Unit> std::size_t lastNonBlank(std::basic_string_view<Unit> text) {
    for (std::size_t index = text.size(); index > 0; --index) {
        if (!isBlank(text[index - 1])) {
            return index - 1;
        }
    }
    return std::basic_string_view<Unit>::npos;
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

// A line without the blanks at its ends: the form in which the key-line rules judge it.
template <typename Unit>
std::basic_string_view<Unit> trimBlanks(std::basic_string_view<Unit> line) {
    return *trimBlanks(line, line.size());
}

} // namespace quotidia
