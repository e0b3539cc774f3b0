#pragma once
// The text the main window puts on the clipboard: the day's date and its quotations.

#include <string>
#include <string_view>

namespace quotidia {

// The long date, an empty line, then each quotation line, every line ended by CR LF.
// `quoteText` is the lookup's text, each line preceded by a carriage return; a day
// without an entry gives the date's line alone.
std::wstring dayCopyText(std::wstring_view longDate, std::wstring_view quoteText);

} // namespace quotidia
