#pragma once
// Decoding of the quote file's text encodings into wide text. Where wchar_t holds
// UTF-16 (Windows) code points past U+FFFF become surrogate pairs; where it holds
// whole code points (the native test build) they stay one character.

#include <string>
#include <string_view>

namespace quotidia {

// Appends the text of well-formed UTF-8 (no overlong forms, no surrogates, nothing
// past U+10FFFF) and returns true; returns false and leaves `out` as it was otherwise.
bool appendUtf8(std::wstring& out, std::string_view bytes);

// Appends UTF-16 code units as text; an unpaired surrogate is kept as it stands.
void appendUtf16(std::wstring& out, std::u16string_view units);

} // namespace quotidia
