#pragma once
// The text encodings the program meets, to and from wide text: UTF-8 and UTF-16 in
// quote files, UTF-8 on POSIX consoles and command lines, and Windows-1252, the ANSI
// code page of quote books written on Windows, where no Windows decodes it. Where
// wchar_t holds UTF-16 (Windows) code points past U+FFFF become surrogate pairs; where
// it holds whole code points (the native test build) they stay one character.

#include <string>
#include <string_view>

namespace quotidia {

// Appends the text of well-formed UTF-8 (no overlong forms, no surrogates, nothing
// past U+10FFFF) and returns true; returns false and leaves `out` as it was otherwise.
bool appendUtf8(std::wstring& out, std::string_view bytes);

// Appends UTF-16 code units as text; an unpaired surrogate is kept as it stands.
void appendUtf16(std::wstring& out, std::u16string_view units);

// Wide text as UTF-8; a character that is no Unicode scalar value (an unpaired
// surrogate) becomes U+FFFD.
std::string utf8Of(std::wstring_view text);

// Windows-1252 bytes as text. Its five unassigned bytes become the control characters
// of the same value, as Windows decodes them.
std::wstring decodeWindows1252(std::string_view bytes);

// Bytes as Latin-1 text: each byte the character of its value.
std::wstring decodeLatin1(std::string_view bytes);

} // namespace quotidia
