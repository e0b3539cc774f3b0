#pragma once
// Finds the block of lines stored under a day key in a quote file.

#include "quotebook_platform.h"

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

namespace quotidia {

// The most text a lookup returns, in UTF-16 units (wchar_t), separators included: far
// more than the quotation label can show, and little enough that the label takes it at
// once and the lookup's memory stays flat whatever the file holds.
// A fuzzing build sets a few hundred, so that short inputs reach it.
#ifdef QUOTIDIA_MAX_QUOTE_TEXT_LENGTH
inline constexpr std::size_t kMaxQuoteTextLength = QUOTIDIA_MAX_QUOTE_TEXT_LENGTH;
#else
inline constexpr std::size_t kMaxQuoteTextLength = std::size_t{64} * 1024;
#endif

// The quotation lines of the last entry whose key line equals `dayKey` (letter case
// ignored), each preceded by a carriage return, cut off after kMaxQuoteTextLength units;
// empty when nothing matched or the file could not be read. The file is streamed from
// start to end on every call.
std::wstring findQuotes(const std::filesystem::path& quoteFile, std::wstring_view dayKey,
                        const QuoteBookPlatform& platform);

// The same over an open stream of the file's bytes.
std::wstring findQuotes(std::istream& quoteFile, std::wstring_view dayKey,
                        const QuoteBookPlatform& platform);

} // namespace quotidia
