#pragma once
// A deliberately naive reading of a whole quote file held in memory, written apart from
// the reader it checks: its own byte-order marks, line splitting, UTF-8, UTF-16 and ANSI
// decoding, key items and letter case (the fuzz platform's), and its own cut of a long
// entry. Slow and simple, so that a fault in the reader does not show on both sides.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quotidia::fuzzing {

// A file as lines of units: bytes, or UTF-16 units when it starts with FF FE.
struct NaiveBook {
    bool utf16 = false;
    std::vector<std::u32string> lines; // each unit a byte or a UTF-16 unit, as a number
};

NaiveBook readNaively(std::string_view file);

// A line's text: UTF-8 when it is well-formed UTF-8, otherwise Windows-1252; UTF-16
// with surrogate pairs joined where wchar_t holds whole characters.
std::wstring naiveText(const NaiveBook& book, std::u32string_view line);

// The folded item of a line that holds one item, blanks trimmed; nullopt otherwise, and
// when the item has more units than four for each of `mostCharacters` characters, as
// no encoding spends more on one.
std::optional<std::wstring> naiveFoldedItem(const NaiveBook& book, std::u32string_view line,
                                            std::size_t mostCharacters);

// The text the lookup returns for a key: the last matching entry's lines, each after a
// carriage return, at most `maxLength` characters of it.
std::wstring naiveQuotes(const NaiveBook& book, std::wstring_view key, std::size_t maxLength);

// The entries of a book whose keys are the given folded day keys (key to day number).
struct NaiveEntries {
    std::uint64_t entries = 0;
    std::vector<bool> dayHasEntry;
};

NaiveEntries naiveEntries(const NaiveBook& book, const std::map<std::wstring, std::size_t>& days);

} // namespace quotidia::fuzzing
