#pragma once
// Quote-file bytes in UTF-16 for tests: the units least significant byte first.

#include <string>
#include <string_view>

namespace quotidia::testing {

// The units of a text as the bytes of a UTF-16 little-endian file, without the mark.
inline std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// A whole UTF-16 little-endian file: the byte-order mark FF FE, then the text.
inline std::string utf16leFile(std::u16string_view text) {
    return "\xFF\xFE" + utf16le(text);
}

} // namespace quotidia::testing
