#include "naive_reference.h"

#include "fuzz_platform.h"

#include <algorithm>

namespace quotidia::fuzzing {

namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

void appendCharacter(std::wstring& text, char32_t character) {
    if (kWideIsUtf16 && character > 0xFFFF) {
        text += static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
        text += static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
    } else {
        text += static_cast<wchar_t>(character);
    }
}

// The characters of well-formed UTF-8, one sequence at a time, each checked against
// the shortest form of its value, the surrogates and the last code point.
std::optional<std::u32string> utf8Characters(std::u32string_view bytes) {
    std::u32string characters;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const char32_t lead = bytes[at];
        std::size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (at + length > bytes.size()) {
            return std::nullopt;
        }
        for (std::size_t next = 1; next < length; ++next) {
            if ((bytes[at + next] & 0xC0) != 0x80) {
                return std::nullopt;
            }
            value = (value << 6) | (bytes[at + next] & 0x3F);
        }
        constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < kShortest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            return std::nullopt;
        }
        characters += value;
        at += length;
    }
    return characters;
}

bool isBlank(char32_t unit) {
    return unit == U' ' || unit == U'\t';
}

std::u32string_view trimmed(std::u32string_view line) {
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isBlank(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

// A line cut after `keep` units, less an unfinished character at the cut: a UTF-8 lead
// byte whose sequence the cut leaves short, or a UTF-16 lead surrogate.
std::u32string_view cutLine(const NaiveBook& book, std::u32string_view line, std::size_t keep) {
    line = line.substr(0, keep);
    if (book.utf16) {
        if (!line.empty() && line.back() >= 0xD800 && line.back() <= 0xDBFF) {
            line.remove_suffix(1);
        }
        return line;
    }
    for (std::size_t back = 1; back <= std::min<std::size_t>(4, line.size()); ++back) {
        const char32_t unit = line[line.size() - back];
        if ((unit & 0xC0) != 0x80) {
            const std::size_t announced = unit >= 0xF0   ? 4
                                          : unit >= 0xE0 ? 3
                                          : unit >= 0xC0 ? 2
                                                         : 1;
            return announced > back ? line.substr(0, line.size() - back) : line;
        }
    }
    return line;
}

} // namespace

NaiveBook readNaively(std::string_view file) {
    NaiveBook book;
    std::u32string units;
    units.reserve(file.size());
    if (file.starts_with("\xFF\xFE")) {
        book.utf16 = true;
        for (std::size_t at = 2; at + 1 < file.size(); at += 2) {
            units += static_cast<char32_t>(static_cast<unsigned char>(file[at]) |
                                           (static_cast<unsigned char>(file[at + 1]) << 8));
        }
    } else {
        if (file.starts_with("\xEF\xBB\xBF")) {
            file.remove_prefix(3);
        }
        for (const char byte : file) {
            units += static_cast<char32_t>(static_cast<unsigned char>(byte));
        }
    }
    std::u32string line;
    for (std::size_t at = 0; at < units.size(); ++at) {
        if (units[at] == U'\r' || units[at] == U'\n') {
            book.lines.push_back(line);
            line.clear();
            if (units[at] == U'\r' && at + 1 < units.size() && units[at + 1] == U'\n') {
                ++at;
            }
        } else {
            line += units[at];
        }
    }
    if (!line.empty()) {
        book.lines.push_back(line);
    }
    return book;
}

std::wstring naiveText(const NaiveBook& book, std::u32string_view line) {
    std::wstring text;
    if (book.utf16) {
        for (std::size_t at = 0; at < line.size(); ++at) {
            const bool pair = !kWideIsUtf16 && line[at] >= 0xD800 && line[at] <= 0xDBFF &&
                              at + 1 < line.size() && line[at + 1] >= 0xDC00 &&
                              line[at + 1] <= 0xDFFF;
            if (pair) {
                appendCharacter(text,
                                0x10000 + ((line[at] - 0xD800) << 10) + (line[at + 1] - 0xDC00));
                ++at;
            } else {
                text += static_cast<wchar_t>(line[at]);
            }
        }
    } else if (const std::optional<std::u32string> characters = utf8Characters(line)) {
        for (const char32_t character : *characters) {
            appendCharacter(text, character);
        }
    } else {
        for (const char32_t byte : line) {
            text += windows1252Character(static_cast<unsigned char>(byte));
        }
    }
    return text;
}

std::optional<std::wstring> naiveFoldedItem(const NaiveBook& book, std::u32string_view line,
                                            std::size_t mostCharacters) {
    std::u32string_view item = trimmed(line);
    if (item.starts_with(U'"')) {
        item.remove_prefix(1);
        const std::size_t closing = item.find(U'"');
        if (closing != std::u32string_view::npos) {
            if (closing + 1 != item.size()) {
                return std::nullopt;
            }
            item = item.substr(0, closing);
        }
    } else if (item.find(U',') != std::u32string_view::npos) {
        return std::nullopt;
    }
    if (item.size() > 4 * mostCharacters) {
        return std::nullopt;
    }
    return fold(naiveText(book, item));
}

std::wstring naiveQuotes(const NaiveBook& book, std::wstring_view key, std::size_t maxLength) {
    const std::wstring foldedKey = fold(key);
    // A byte file may spend four bytes on a character, a UTF-16 file one unit.
    const std::size_t unitsPerCharacter = book.utf16 ? 1 : 4;
    std::wstring collected;
    std::size_t at = 0;
    while (at < book.lines.size()) {
        if (naiveFoldedItem(book, book.lines[at], key.size()) != foldedKey) {
            ++at;
            continue;
        }
        collected.clear();
        for (++at; at < book.lines.size() && !book.lines[at].empty(); ++at) {
            const std::size_t room = maxLength - std::min(collected.size(), maxLength);
            const std::size_t keep = room < 2 ? 0 : (room - 1) * unitsPerCharacter;
            const std::u32string& line = book.lines[at];
            if (keep == 0) {
                continue; // no room for any of the line
            }
            const std::u32string_view kept = line.size() > keep ? cutLine(book, line, keep) : line;
            collected += L'\r';
            collected += naiveText(book, kept);
            if (collected.size() > maxLength) {
                collected.resize(maxLength);
                if (collected.back() >= 0xD800 && collected.back() <= 0xDBFF) {
                    collected.pop_back();
                }
            }
        }
        ++at; // the empty line that ends the entry
    }
    return collected;
}

NaiveEntries naiveEntries(const NaiveBook& book, const std::map<std::wstring, std::size_t>& days) {
    NaiveEntries found;
    found.dayHasEntry.assign(days.size(), false);
    std::size_t longestKey = 0;
    for (const auto& [key, day] : days) {
        longestKey = std::max(longestKey, key.size());
    }
    bool inEntry = false;
    for (const std::u32string& line : book.lines) {
        if (inEntry) {
            inEntry = !line.empty();
            continue;
        }
        const std::optional<std::wstring> item = naiveFoldedItem(book, line, longestKey);
        const auto day = item ? days.find(*item) : days.end();
        if (day != days.end()) {
            ++found.entries;
            found.dayHasEntry[day->second] = true;
            inEntry = true;
        }
    }
    return found;
}

} // namespace quotidia::fuzzing
