#pragma once
// Writing text into a quote book in the book's own encoding: telling a byte book as UTF-8
// or the ANSI code page, spelling text in UTF-16 or that code page, and putting a line's
// units back as the book's bytes.

#include "block_reader.h"
#include "quotebook_platform.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quotidia {

enum class BookEncoding { utf16Le, utf8, ansi };

// True when the bytes from the reader's position to the end are well-formed UTF-8.
// A sequence cut by the end of a block waits for the rest in the next one.
bool restIsUtf8(BlockReader& reader);

// Units as the book's bytes: a byte as it is, a UTF-16 unit little-endian.
void appendUnit(std::string& out, char unit);
void appendUnit(std::string& out, char16_t unit);
void appendUnits(std::string& out, std::string_view units);
void appendUnits(std::string& out, std::u16string_view units);

// Wide text as UTF-16 units: characters past U+FFFF become surrogate pairs where
// wchar_t holds whole code points.
std::u16string utf16Of(std::wstring_view text);

// Text in the system's ANSI code page, found by asking the platform how it decodes
// each byte; nullopt when a character has no byte of its own there.
class AnsiEncoder {
  public:
    explicit AnsiEncoder(const QuoteBookPlatform& platform);

    std::optional<std::string> encode(std::wstring_view text) const;

  private:
    const QuoteBookPlatform& platform_;
    std::unordered_map<wchar_t, char> byteOf_;
};

} // namespace quotidia
